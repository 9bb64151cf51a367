// Boxes served at once by this one program: each box's command runs on a thread of its
// own, with its own session, port and voice; its events go to the sink its job names;
// what it said and how it ended are kept here for the command that serves them.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/cli/terminal/say.h"

struct ServedBox {
    std::string port;
    LinesVoice voice;         // its own lines
    int status = -1;          // its exit status, once it has ended
    double started = 0, seconds = 0;
    bool Running() const { return thread_.joinable() && status < 0; }

    // Runs `command` (the box's own, which returns its status) on a thread of its own.
    void Start(std::function<int()> command);
    // True, once, when the box has ended since asked last: its thread is joined.
    bool Reap();
    ~ServedBox();

private:
    std::thread thread_;
    std::atomic<bool> ended_{false};
    int result_ = -1;
};
