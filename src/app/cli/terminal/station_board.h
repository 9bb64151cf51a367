// A station on a terminal: one line of totals (each port counted once), a line for
// the patterns that match no port, then a line a port: first what needs a person
// (the ports whose last box failed, the latest first, with the cause; the ports gone;
// those held by another program, and by whom; those with failures among their last
// boxes, their tally on the row), then those cut short, the running boxes, the latest
// verdicts and the ports waiting for their first box, each group in the natural order
// of the ports' names. It fits the terminal at any number of ports: what does not fit
// (waiting, done and running ports first) folds into the totals, which always fit.
// Redrawn in place; states are said in words short enough for 80 columns.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "display/console/progress_events.h"

struct StationRow {
    enum class State { Waiting, Running, Gone };   // for a box, with one, unplugged
    enum class Last { None, Done, Failed, Cancelled };  // how its last box ended
    std::string port;          // its short name
    State state = State::Waiting;
    Last last = Last::None;
    bool upload = false;       // the box is switched on holding channel down (else up)
    TransferStep step = TransferStep::PowerOn;  // running: the session's step
    std::optional<SectionKind> section;          // running: the section it concerns (none: the URT file),
                                                 // its packets through and announced
    int packets = 0, announced = 0;
    double rate = 0;           // running: bytes a second
    std::string verdict;       // the last box's: its cause in words
    std::string problem;       // waiting: why the port cannot be used now ("" for nothing)
    bool held = false;         // the problem: another program holds the port
    double finishedAt = 0;     // when the last box ended (seconds on the steady clock)
    int done = 0, failed = 0, cutShort = 0;  // boxes of this port
    std::string lastFailure;   // the cause of its latest failure
    double failedAt = 0;       // and when it came
    int sinceFailure = 0;      // boxes done since
    std::string shortOfBefore;  // the last box's sections that ended short of the box before ("" for none)
};

// A box of the port ended (`how`, with `verdict`): its row and tally, at `now`.
void CountBox(StationRow& row, StationRow::Last how, const std::string& verdict, double now);
// Whether the row's failures are still shown with it: until a few boxes have been
// done since the latest.
bool FailuresInView(const StationRow& row);
// "2 of 7 failed, last: data packet 3 of Resource damaged".
std::string FailureTally(const StationRow& row);

// A box's event on its port's row: its step, section, packets and speed. True when it
// is the first sign of the box itself (a step past the power-on wait): the row is then
// running.
bool TakeEvent(StationRow& row, const ProgressEvent& event);

// Boxes done and failed; the ports, each counted once: running, waiting, gone or held.
struct StationTotals {
    int done = 0, failed = 0, running = 0, waiting = 0, gone = 0, held = 0;
    double boxesPerHour = -1;  // done boxes (a station's; none said when negative)
    std::string unmatched;    // the patterns that match no port: what they are ("" for none)
};

class StationBoard {
public:
    explicit StationBoard(std::FILE* err) : err_(err) {}

    // Redraws the board (at most every tenth of a second unless `now`).
    void Draw(const std::vector<StationRow>& rows, const StationTotals& totals, bool now = false);
    // Leaves the board as it stands, the cursor below it.
    void Finish(const std::vector<StationRow>& rows, const StationTotals& totals);
    // The station is stopping: no port waits for a next box.
    void Stopping() { ended_ = true; }

    // A port's line at `width` columns, its name in `portColumn` (for tests too);
    // `ended`: the station has ended, and no port waits for a next box.
    static std::string Line(const StationRow& row, int width, bool ended = false, int portColumn = 12);
    // The lines of the board for a terminal of `width` x `height` (the totals first).
    static std::vector<std::string> Lines(const std::vector<StationRow>& rows, const StationTotals& totals, int width,
                                          int height, bool ended = false);

private:
    std::FILE* err_;
    int drawn_ = 0;  // lines drawn last time
    int width_ = 0;  // the terminal's width then
    bool ended_ = false;
    double lastDraw_ = 0;
};
