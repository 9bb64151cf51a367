// Runs the built programs for end-to-end tests.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

struct ProcessResult {
    int status = -1;  // exit status; 128 + signal when killed
    std::string out, err;
    double seconds = 0;
};

// A signal the program gets `afterMs` after it starts.
struct TimedSignal {
    int afterMs;
    int number;
};

// Runs `argv` with standard input from /dev/null and collects its output. With
// `interruptAfterMs` >= 0 the program gets SIGINT after that long; with
// `errOnTerminal` its standard error is a terminal (a pty), as a user's would be.
ProcessResult RunProgram(const std::vector<std::string>& argv, int interruptAfterMs = -1, bool errOnTerminal = false);
// The same with the signals given, in the order given.
ProcessResult RunProgram(const std::vector<std::string>& argv, std::vector<TimedSignal> signals,
                         bool errOnTerminal = false);

// kestrivane-box in the background, on a fresh pty; stopped when this goes.
class BoxProcess {
public:
    explicit BoxProcess(std::vector<std::string> args);
    ~BoxProcess();
    const std::string& Port() const { return port_; }
    // Stops the box and returns what it said on standard error.
    std::string Stop();

private:
    pid_t pid_ = -1;
    int errFd_ = -1;
    std::string port_;
};
