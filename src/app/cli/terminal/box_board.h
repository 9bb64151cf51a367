// Several boxes on a terminal: one line a box (port, section, bar, packets, speed,
// state), redrawn in place and fitted to the width; the boxes' progress comes as the
// JSON events of their workers.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "display/console/json_text.h"

class BoxBoard {
public:
    BoxBoard(const std::vector<std::string>& ports, std::FILE* err);

    // An event of box `box` (--progress=json's).
    void Event(std::size_t box, const Json& event);
    // The box's worker has ended with `status`.
    void Ended(std::size_t box, int status);
    // Redraws the lines in place (at most every tenth of a second unless `now`).
    void Draw(bool now = false);
    // Leaves the lines as they stand, the cursor below them.
    void Finish();
    // What the box's last word was (its end event's message, or "").
    const std::string& LastWord(std::size_t box) const { return rows_[box].lastWord; }

private:
    struct Row {
        std::string port, section, state = "starting";
        int announced = 0, packets = 0;
        double rate = 0;
        std::string lastWord;
    };
    std::string Line(const Row& row, int width) const;

    std::vector<Row> rows_;
    std::FILE* err_;
    bool drawn_ = false;
    double lastDraw_ = 0;
};

