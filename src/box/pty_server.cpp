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
    box_ = makeBox_(served_);
    box_->PowerOn(powerOnAt);
    pending_.clear();
    pendingAt_ = 0;
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
                pendingAt_ = 0;
                open = true;
            } else {
                if (options_.verbose) std::fprintf(stderr, "kestrivane-box: port closed\n");
                open = false;
                sessionOver = true;
                if (SessionOver(now, &finished)) return finished ? 0 : 1;
                pty_.AfterLastClose();
                if (options_.once) break;
            }
        }
        if (sessionOver && options_.once) return finished ? 0 : 1;

        if (!open) {
            // Nobody listens: sleep until somebody opens the port.
            pollfd w{pty_.SlaveEventDescriptor(), POLLIN, 0};
            poll(&w, w.fd >= 0 ? 1 : 0, w.fd >= 0 ? 1000 : 10);
            continue;
        }
        Pump(now);
        lastWake_ = now;

        // Sleep until the box's next byte is due, input arrives, or the pty can take
        // more. On a paced line, at most one wake a millisecond, but the last byte of
        // a burst goes out at its own time.
        Micros wakeAt = now + 1'000'000;  // nothing due: only input or the port's closing wakes it
        if (const auto next = box_->NextOutputTime()) {
            wakeAt = std::min(wakeAt, *next);
            const Micros batch = lastWake_ + 1000;
            if (wakeAt < batch) wakeAt = std::min(batch, std::max(*next, box_->QueuedOutputEnd()));
        }
        const Micros wait = std::max<Micros>(0, wakeAt - Now());
        const timespec timeout{static_cast<time_t>(wait / 1'000'000), static_cast<long>(wait % 1'000'000) * 1000};
        pollfd p[2] = {{pty_.Master(), static_cast<short>(POLLIN | (pendingAt_ < pending_.size() ? POLLOUT : 0)), 0},
                       {pty_.SlaveEventDescriptor(), POLLIN, 0}};
        ppoll(p, p[1].fd >= 0 ? 2 : 1, &timeout, nullptr);
    }
    if (box_ && open) {
        Pump(Now());  // what the program wrote before the stop, as at a close
        finished = box_->Finished();
        if (onSessionEnd_) onSessionEnd_(*box_);
    }
    return finished ? 0 : 1;
}

bool PtyServer::SessionOver(Micros now, bool* finished) {
    if (options_.boxes < 0) {
        if (box_) {
            Pump(now);  // what the program wrote before it closed
            *finished = box_->Finished();
            if (onSessionEnd_) onSessionEnd_(*box_);
        }
        box_.reset();
        if (options_.poweredFromStart) StartBox(now);
        return false;
    }
    // Box after box: a box not switched on yet waits for its time; one that was on
    // is done with, and the next one comes after the gap (none after the last).
    if (!box_ || box_->PowerOnTime() > now) return false;
    Pump(now);
    *finished = box_->Finished();
    if (onSessionEnd_) onSessionEnd_(*box_);
    ++served_;
    if (options_.verbose) std::fprintf(stderr, "kestrivane-box: box %d done with\n", served_);
    if (options_.boxes > 0 && served_ >= options_.boxes) return true;
    StartBox(now + options_.boxGap);
    return false;
}

void PtyServer::Pump(Micros now) {
    std::uint8_t buffer[4096];
    for (;;) {
        const ssize_t n = read(pty_.Master(), buffer, sizeof buffer);
        if (n <= 0) break;
        Micros arrived = now;
        if (options_.baud > 0) {
            // The bytes cross the line one after another: the last is there only then.
            if (now >= inFree_) {
                inBurstStart_ = now;
                inBurstBytes_ = 0;
            }
            inBurstBytes_ += n;
            arrived = inFree_ = inBurstStart_ + inBurstBytes_ * 10'000'000 / options_.baud;
        }
        box_->Receive(buffer, static_cast<std::size_t>(n), arrived);
    }
    if (pendingAt_ == pending_.size()) {
        pending_.clear();
        pendingAt_ = 0;
    }
    box_->TakeOutputUntil(now, &pending_);
    while (pendingAt_ < pending_.size()) {
        const ssize_t n = write(pty_.Master(), pending_.data() + pendingAt_, pending_.size() - pendingAt_);
        if (n <= 0) break;
        pendingAt_ += static_cast<std::size_t>(n);
    }
}

}  // namespace box
