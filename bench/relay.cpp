// The exact-rate relay: a serial line of RATE bit/s between a new pty (the program's
// side) and PORT (the box's side). Each direction keeps its own clock: a byte is
// passed on at exactly the start of its burst plus its place in the burst times the
// byte time, so no rounding adds up. When the program closes its side, the box's
// side is closed too (the box sees the session end) and opened again with the next.
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <deque>
#include <memory>

#include "bench/bench_roles.h"
#include "box/pty_device.h"

namespace {

using Micros = long long;

Micros Now() {
    return std::chrono::duration_cast<std::chrono::microseconds>(BenchClock::now().time_since_epoch()).count();
}

class Direction {
public:
    explicit Direction(long rate) : rate_(rate) {}
    // Bytes read now join the line.
    void Take(const std::uint8_t* bytes, std::size_t count, Micros now) {
        if (queue_.empty() && now >= Free()) {
            start_ = now;
            sent_ = 0;
            queued_ = 0;
        }
        for (std::size_t i = 0; i < count; ++i) queue_.push_back(bytes[i]);
        queued_ += static_cast<long long>(count);
    }
    Micros Due(long long index) const { return start_ + index * 10'000'000 / rate_; }
    Micros Free() const { return Due(queued_); }
    // Passes on what is due by `now`; when the next byte is due (or 0: none waits).
    Micros Pass(int fd, Micros now) {
        std::uint8_t out[4096];
        std::size_t n = 0;
        while (!queue_.empty() && Due(sent_) <= now && n < sizeof out) {
            out[n++] = queue_.front();
            queue_.pop_front();
            ++sent_;
        }
        if (n) WriteAllBytes(fd, out, n);
        return queue_.empty() ? 0 : Due(sent_);
    }
    Micros LastDue() const { return Due(queued_ - 1); }
    void Clear() {
        queue_.clear();
        sent_ = queued_ = 0;
    }

private:
    long rate_;
    std::deque<std::uint8_t> queue_;
    Micros start_ = 0;
    long long sent_ = 0, queued_ = 0;
};

}  // namespace

int RunRelay(const std::vector<std::string>& args) {
    if (args.size() != 2) return 2;
    const long rate = std::stol(args[0]);
    PtyDevice program;
    std::printf("%s\n", program.SlavePath().c_str());
    // PORT "new": the far side is a second pty of our own, whose path is the next line.
    std::unique_ptr<PtyDevice> far;
    if (args[1] == "new") {
        far = std::make_unique<PtyDevice>();
        std::printf("%s\n", far->SlavePath().c_str());
    }
    std::fflush(stdout);
    Direction toBox(rate), toProgram(rate);
    int box = -1;
    Micros lastWake = 0;
    bool open = false;
    for (;;) {
        // The box's side opens and closes with the program's.
        while (const auto event = program.NextSlaveEvent()) open = *event == PtyDevice::SlaveEvent::Opened;
        if (!open) {
            // Nothing of one session reaches the next.
            if (box >= 0 && !far) close(box);
            box = -1;
            toBox.Clear();
            toProgram.Clear();
            tcflush(program.Master(), TCIOFLUSH);  // what the program left unread, too
            usleep(2000);
            continue;
        }
        if (box < 0) box = far ? far->Master() : OpenRaw(args[1]);
        const Micros now = Now();
        std::uint8_t buffer[4096];
        ssize_t n;
        while ((n = read(program.Master(), buffer, sizeof buffer)) > 0) toBox.Take(buffer, static_cast<std::size_t>(n), now);
        while ((n = read(box, buffer, sizeof buffer)) > 0) toProgram.Take(buffer, static_cast<std::size_t>(n), now);
        const Micros a = toBox.Pass(box, now), b = toProgram.Pass(program.Master(), now);
        lastWake = now;
        // Wake for the next due byte; at most once a millisecond, but the last byte
        // of a burst at its own time.
        Micros wakeAt = now + 20'000;
        for (const auto& [next, last] : {std::pair{a, a ? toBox.LastDue() : 0}, std::pair{b, b ? toProgram.LastDue() : 0}}) {
            if (!next) continue;
            Micros at = next;
            if (at < lastWake + 1000) at = std::min(lastWake + 1000, std::max(next, last));
            wakeAt = std::min(wakeAt, at);
        }
        const Micros wait = std::max<Micros>(0, wakeAt - Now());
        const timespec timeout{static_cast<time_t>(wait / 1'000'000), static_cast<long>(wait % 1'000'000) * 1000};
        pollfd p[2] = {{program.Master(), POLLIN, 0}, {box, POLLIN, 0}};
        ppoll(p, 2, &timeout, nullptr);
    }
}

int RunEcho(const std::vector<std::string>&) {
    PtyDevice pty;
    std::printf("%s\n", pty.SlavePath().c_str());
    std::fflush(stdout);
    const std::vector<std::uint8_t> packet(2069, 0x5A);
    for (;;) {
        pollfd p{pty.Master(), POLLIN, 0};
        if (poll(&p, 1, 50) <= 0 || !(p.revents & POLLIN)) {
            if (p.revents & POLLHUP) usleep(2000);
            continue;
        }
        std::uint8_t request[64];
        const ssize_t n = read(pty.Master(), request, sizeof request);
        for (ssize_t i = 0; i < n; ++i) pty.WriteAll(packet.data(), packet.size());
    }
}
