// A station at work: its ports, looked at once a second, and the session that runs on
// each (a box's command on a thread of its own, for one box of one port); each box's
// verdict on its row, in the log, and with --bell on the terminal's bell.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "app/cli/options/transfer_options.h"
#include "app/cli/run/box_job.h"
#include "app/cli/run/box_threads.h"
#include "app/cli/terminal/event_lines.h"
#include "app/cli/terminal/station_board.h"

struct StationSetup {
    TransferKind kind;
    std::string image;                  // as given: {port}, {n} and {time} stand for each box's
    TransferOptions options;            // the command's; its log the station's
    std::vector<std::string> patterns;  // the ports' paths or patterns; none: the USB serial adapters
    bool bell = false;
    BoxCommand command;  // a box's, as one of several
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
    // Its end: its message, outcome and files, as the box said them (told from its thread).
    std::string lastWord;
    OutcomeKind outcome = OutcomeKind::Done;
    std::vector<std::pair<std::string, std::string>> files;
    std::vector<SectionTally> sections;
    // The data packets of each section of the port's box before (-1: none came).
    std::array<int, SectionCount> before{-1, -1, -1, -1, -1};
    // The last box of the port that failed and left files: kept until its next failure.
    std::string keptFailure;
    std::unique_ptr<ServedBox> box;  // the running (or last) session
    std::unique_ptr<BoxJob> job;
};

class Station final : public EventSink {
public:
    explicit Station(const StationSetup& setup);

    // Serves box after box until Ctrl-C; the station's status.
    int Run();

    // A box's event, from its thread.
    void Take(const ProgressEvent& event) override;

private:
    void Scan();
    void StartSessions();
    void BoxEnded(StationSlot& slot);
    // A box that began, counted on its row and in the totals: "done", "cancelled" or "failed".
    std::string Count(StationSlot& slot, int status);
    StationTotals Totals() const;
    void Show(bool last = false);
    // The patterns that match no port now, told (once each as JSON), said now and
    // then in plain lines; their list for the board.
    void SayUnmatched(const std::vector<std::string>& unmatched);
    std::string Unmatched() const;
    // A port's change of state, as JSON ("joined", "back", "gone", "held").
    void TellPort(const std::string& port, const char* state, const std::string& by = "");
    // What the box's sections came to against the port's box before: said on its row.
    void CompareWithBefore(StationSlot& slot);
    // The end: every port's tally said, the status.
    int End();

    const StationSetup& setup_;
    std::vector<std::unique_ptr<StationSlot>> slots_;
    mutable std::mutex slotsTold_;  // what the boxes' threads tell of their slots
    StationBoard board_;
    EventLines lines_;
    JsonEventWriter json_;
    bool onBoard_;
    std::string log_;
    double started_, lastScan_ = -1e9;  // (never looked at yet)
    int done_ = 0, failed_ = 0, cutShort_ = 0;
    bool logFailed_ = false;
    std::vector<std::string> unmatched_, everUnmatched_;  // patterns matching nothing now, and ever
    double unmatchedSaid_ = -1e9;
};
