// Several boxes without a terminal: each box's events said as plain lines behind its
// port's name, as one box's transfer says them (status lines, messages, waits, and a
// progress line every few seconds). Whole lines, whichever thread a box runs on.
#pragma once

#include <cstdio>
#include <map>
#include <mutex>
#include <string>

#include "display/console/progress_events.h"

class EventLines {
public:
    EventLines(std::FILE* out, std::FILE* err) : out_(out), err_(err) {}

    // An event of the box whose port's name is `name`.
    void Event(const std::string& name, const ProgressEvent& event);

private:
    struct Box {
        std::string section;
        int announced = 0;
        double lastProgress = 0;
    };
    std::FILE* out_;
    std::FILE* err_;
    std::mutex writing_;
    std::map<std::string, Box> boxes_;
};
