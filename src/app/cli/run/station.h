// A station at work: its ports, looked at once a second, and the session that runs on
// each (this program again, for one box of one port); each box's verdict on its row,
// in the log, and with --bell on the terminal's bell.
#pragma once

#include <csignal>
#include <set>
#include <string>
#include <vector>

#include "app/cli/options/transfer_options.h"
#include "app/cli/run/box_workers.h"
#include "app/cli/terminal/event_lines.h"
#include "app/cli/terminal/station_board.h"

struct StationSetup {
    TransferKind kind;
    std::string image;                  // as given: {port}, {n} and {time} stand for each box's
    TransferOptions options;            // the command's
    std::vector<std::string> patterns;  // the ports' paths or patterns; none: the USB serial adapters
    bool bell = false;
    std::vector<std::string> arguments;  // the program's own, without its name
};

// A port of the bench and the session that runs on it.
struct StationSlot {
    std::string port;
    bool present = true;
    StationRow row;
    std::string image;          // the running session's image
    bool began = false;         // its box has answered: a box, not a wait for one
    std::string startedUtc;
    double nextStart = 0;       // when the next session may start
    std::vector<std::pair<std::string, std::string>> files;  // its end event's files and states
};

class Station final : public WorkerListener {
public:
    // `stops`: how many times Ctrl-C (or the like) came.
    Station(const StationSetup& setup, const volatile std::sig_atomic_t& stops);

    // Serves box after box until stopped; the station's status.
    int Run();

    void Event(std::size_t box, const Json& event) override;
    void Line(std::size_t, const std::string&) override {}
    void Ended(std::size_t box) override { ended_.insert(box); }

private:
    void Scan();
    void StartSessions();
    void BoxEnded(std::size_t box);
    StationTotals Totals() const;
    std::string Unmatched() const;
    void SayUnmatched(bool none);
    void Show(bool last = false);
    std::string Name(std::size_t box) const;

    const StationSetup& setup_;
    const volatile std::sig_atomic_t& stops_;
    std::vector<StationSlot> slots_;
    std::vector<BoxWorker> workers_;  // a slot's current session, by the same index
    std::set<std::size_t> ended_;
    StationBoard board_;
    EventLines lines_;
    bool onBoard_;
    std::string log_;
    double started_, lastScan_ = -1e9;  // (never looked at yet)
    int done_ = 0, failed_ = 0, cutShort_ = 0;
    bool anyMatched_ = true;
    double unmatchedSaid_ = -1e9;
    bool logFailed_ = false;
};
