// A station on a terminal: one line of totals, then a line a port for the ports that
// are running a box or whose last box failed, then the latest verdicts; it fits the
// terminal at any number of ports (what does not fit folds into the totals) and is
// redrawn in place. States are said in words short enough for 80 columns.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

struct StationRow {
    enum class State { Waiting, Running, Gone };   // for a box, with one, unplugged
    enum class Last { None, Done, Failed, Cancelled };  // how its last box ended
    std::string port;          // its short name
    State state = State::Waiting;
    Last last = Last::None;
    bool upload = false;       // the box is switched on holding channel down (else up)
    std::string step;          // running: the session's step ("announcement", "packets" ..)
    std::string section;       // running: the section it concerns, its packets through and announced
    int packets = 0, announced = 0;
    std::string verdict;       // the last box's: its cause in words
    std::string problem;       // waiting: why the port cannot be used now ("" for nothing)
    double finishedAt = 0;     // when the last box ended (seconds on the steady clock)
    int done = 0, failed = 0;  // boxes of this port
};

struct StationTotals {
    int done = 0, failed = 0, running = 0, waiting = 0, gone = 0;
    double boxesPerHour = 0;
};

class StationBoard {
public:
    explicit StationBoard(std::FILE* err) : err_(err) {}

    // Redraws the board (at most every tenth of a second unless `now`).
    void Draw(const std::vector<StationRow>& rows, const StationTotals& totals, bool now = false);
    // Leaves the board as it stands, the cursor below it.
    void Finish(const std::vector<StationRow>& rows, const StationTotals& totals);

    // A port's line at `width` columns (for tests too); `ended`: the station has
    // ended, and no port waits for a next box.
    static std::string Line(const StationRow& row, int width, bool ended = false);
    // The lines of the board for a terminal of `width` x `height` (the totals first).
    static std::vector<std::string> Lines(const std::vector<StationRow>& rows, const StationTotals& totals, int width,
                                          int height, bool ended = false);

private:
    std::FILE* err_;
    int drawn_ = 0;  // lines drawn last time
    bool ended_ = false;
    double lastDraw_ = 0;
};
