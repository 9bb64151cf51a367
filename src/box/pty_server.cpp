#include "box/pty_server.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>

namespace box {

namespace {

const auto kEpoch = std::chrono::steady_clock::now();

}  // namespace

PtyServer::PtyServer(PtyDevice& pty, BoxFactory makeBox, PtyServerOptions options, SessionEnd onSessionEnd)
    : pty_(pty), makeBox_(std::move(makeBox)), options_(options), onSessionEnd_(std::move(onSessionEnd)) {}

Micros PtyServer::Now() const {
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - kEpoch).count();
}

void PtyServer::StartBox(Micros powerOnAt) {
    box_ = makeBox_();
    box_->PowerOn(powerOnAt);
    pending_.clear();
    if (options_.verbose) std::fprintf(stderr, "kestrivane-box: box switched on\n");
}

int PtyServer::Run(const volatile std::sig_atomic_t& stop) {
    bool open = false;
    bool finished = false;
    if (options_.poweredFromStart) StartBox(Now());

    while (!stop) {
        const Micros now = Now();
        bool sessionOver = false;
        while (auto event = pty_.NextSlaveEvent()) {
            if (*event == PtyDevice::SlaveEvent::Opened) {
                if (options_.verbose) std::fprintf(stderr, "kestrivane-box: port opened\n");
                if (!box_) StartBox(now + options_.powerOnDelay);
                box_->DiscardOutputBefore(now);
                pending_.clear();
                open = true;
            } else {
                if (options_.verbose) std::fprintf(stderr, "kestrivane-box: port closed\n");
                if (box_) {
                    Pump(now);  // what the program wrote before it closed
                    finished = box_->Finished();
                    if (onSessionEnd_) onSessionEnd_(*box_);
                }
                box_.reset();
                open = false;
                sessionOver = true;
                if (options_.once) break;
                if (options_.poweredFromStart) StartBox(now);
            }
        }
        if (sessionOver && options_.once) return finished ? 0 : 1;

        if (!open) {
            poll(nullptr, 0, 10);  // nobody listens
            continue;
        }
        Pump(now);

        // Sleep until the box's next byte is due, input arrives, or the pty can take more.
        int wait = 20;
        if (const auto next = box_->NextOutputTime())
            wait = static_cast<int>(std::clamp<Micros>((*next - Now() + 999) / 1000, 0, 20));
        pollfd p{pty_.Master(), static_cast<short>(POLLIN | (pending_.empty() ? 0 : POLLOUT)), 0};
        poll(&p, 1, wait);
    }
    if (box_ && open) {
        finished = box_->Finished();
        if (onSessionEnd_) onSessionEnd_(*box_);
    }
    return finished ? 0 : 1;
}

void PtyServer::Pump(Micros now) {
    std::uint8_t buffer[4096];
    for (;;) {
        const ssize_t n = read(pty_.Master(), buffer, sizeof buffer);
        if (n <= 0) break;
        box_->Receive(buffer, static_cast<std::size_t>(n), now);
    }
    for (auto next = box_->NextOutputTime(); next && *next <= now; next = box_->NextOutputTime())
        pending_.push_back(box_->TakeOutput());
    while (!pending_.empty()) {
        const ssize_t n = write(pty_.Master(), pending_.data(), pending_.size());
        if (n <= 0) break;
        pending_.erase(pending_.begin(), pending_.begin() + n);
    }
}

}  // namespace box
