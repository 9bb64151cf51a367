#include "app/cli/run/box_threads.h"

#include <exception>

#include "app/cli/machine/clock.h"

void ServedBox::Start(std::function<int()> command) {
    started = SteadySeconds();
    status = -1;
    ended_ = false;
    thread_ = std::thread([this, command = std::move(command)] {
        // A failure of one box (an exception included) ends that box only.
        try {
            result_ = command();
        } catch (const std::exception& e) {
            voice.Say(e.what());
            result_ = 1;
        }
        ended_ = true;
    });
}

bool ServedBox::Reap() {
    if (!thread_.joinable() || !ended_) return false;
    thread_.join();
    status = result_;
    seconds = SteadySeconds() - started;
    return true;
}

ServedBox::~ServedBox() {
    if (thread_.joinable()) thread_.join();
}
