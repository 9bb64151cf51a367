// Boxes served by workers: this program again, for one port each. A worker tells its
// progress as JSON events on its standard output and says its own lines on standard
// error; both are read here and handed on. A worker ends when its parent does,
// however the parent ends, with its port closed.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "app/cli/machine/clock.h"
#include "display/console/json_text.h"

struct BoxWorker {
    std::string port;
    pid_t pid = -1;
    int out = -1, err = -1;          // its standard output and error, read here
    std::string outLine, errLine;    // what came of the line being written
    std::vector<std::string> said;   // its lines on standard error
    std::string lastWord;            // its end event's message
    std::string outcome;             // its end event's outcome
    int status = -1;                 // its exit status, once it has ended
    double started = 0, seconds = 0;
    bool Running() const { return pid > 0 && status < 0; }
};

// The worker's arguments: ours (the program's, without its name), without the
// ports and --progress, {port} made the port's name, then its own port, JSON events
// and, unless it only reads the box, --yes (the question was asked once for all).
std::vector<std::string> WorkerArguments(const std::vector<std::string>& ours, const std::string& port, bool yes);

// Starts it; false when it could not be started.
bool StartWorker(BoxWorker& worker, const std::vector<std::string>& args);

// What the workers say, handed on.
class WorkerListener {
public:
    virtual ~WorkerListener() = default;
    virtual void Event(std::size_t box, const Json& event) = 0;
    virtual void Line(std::size_t box, const std::string& line) = 0;  // on its standard error
    virtual void Ended(std::size_t box) = 0;
};

// Waits up to `ms` for what the workers say and hands it on; reaps those that have
// ended. False once none has anything left to say.
bool PollWorkers(std::vector<BoxWorker>& workers, int ms, WorkerListener& listener);

// Passes a signal on to every running worker.
void SignalWorkers(const std::vector<BoxWorker>& workers, int signal);
