// Serves the emulated box on a pseudo-terminal in real time.
//
// The box is switched on when a program opens the pty (after a delay, as a user
// would take to reach the box), and a fresh box stands ready again after the
// program closes it. Serving box after box (a workshop's bench), the next box is
// switched on a gap after the last one's session ended, whether the port is open or
// not, and after the last box the server ends. What the box received on upload is
// handed to `onSessionEnd`.
#pragma once

#include <csignal>
#include <functional>
#include <memory>

#include "box/box.h"
#include "box/pty_device.h"

namespace box {

struct PtyServerOptions {
    Micros powerOnDelay = 500'000;
    bool poweredFromStart = false;  // the box already announces before the port is opened
    bool once = false;              // one session (port opened, then closed) and return
    bool verbose = false;
    long baud = 0;                  // what the program writes crosses a line of this rate (0: at once)
    int boxes = -1;                 // box after box: this many (0: without end); -1: one box, fresh at each open
    Micros boxGap = 2'000'000;      // box after box: switched off this long between two boxes
};

class PtyServer {
public:
    // The box to switch on: the first, the second .. (counted from 0).
    using BoxFactory = std::function<std::unique_ptr<Box>(int number)>;
    using SessionEnd = std::function<void(const Box&)>;

    PtyServer(PtyDevice& pty, BoxFactory makeBox, PtyServerOptions options, SessionEnd onSessionEnd);

    // Runs until `stop` is set, or after one session with `once`. Returns 0 when the
    // last session's transfer finished on the box's side, 1 otherwise.
    int Run(const volatile std::sig_atomic_t& stop);

private:
    Micros Now() const;
    void StartBox(Micros powerOnAt);
    // The port was closed: true when the server is to end.
    bool SessionOver(Micros now, bool* finished);
    void Pump(Micros now);

    PtyDevice& pty_;
    BoxFactory makeBox_;
    PtyServerOptions options_;
    SessionEnd onSessionEnd_;
    std::unique_ptr<Box> box_;
    int served_ = 0;              // boxes whose session has ended
    Bytes pending_;               // box output not yet taken by the pty
    std::size_t pendingAt_ = 0;   // the first of those bytes
    Micros lastWake_ = 0;
    Micros inBurstStart_ = 0;     // a paced line: the program's current burst
    long inBurstBytes_ = 0;
    Micros inFree_ = 0;           // when its last byte has arrived
};

}  // namespace box
