#include "app/cli/run/signals.h"

#include <atomic>
#include <csignal>

#include "display/console/console_display.h"

namespace {

constexpr int StopSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

// The command line's own state of the signals (lock-free, so the handler may touch it).
std::atomic<int> stops{0};
std::atomic<int> firstSignal{0};
std::atomic<int> placing{0};         // images being put in place now
std::atomic<int> stopPending{0};     // a second signal that waits for them

void StopAtOnce(int signal) {
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

// The first signal asks the sessions to stop at their next check; a second one stops
// the program at once, or once no image is being put in place.
void OnStop(int signal) {
    int none = 0;
    firstSignal.compare_exchange_strong(none, signal);
    if (stops.fetch_add(1) == 0) return;
    if (placing.load() > 0) {
        stopPending.store(signal);
        return;
    }
    StopAtOnce(signal);
}

void OnResize(int) { TerminalResized = 1; }

}  // namespace

void CatchStopSignals() {
    struct sigaction action {};
    action.sa_handler = OnStop;
    sigemptyset(&action.sa_mask);
    for (int signal : StopSignals) sigaction(signal, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);  // output to a closed pipe (| head -1) fails quietly
    action.sa_handler = OnResize;
    action.sa_flags = SA_RESTART;
    sigaction(SIGWINCH, &action, nullptr);
    // A file grown past the size limit (ulimit -f) is a failed write the session reports.
    std::signal(SIGXFSZ, SIG_IGN);
}

int StopsAsked() { return stops.load(); }

int FirstStopSignal() { return firstSignal.load(); }

const char* SignalName(int signal) {
    switch (signal) {
    case SIGINT: return "Ctrl-C";
    case SIGTERM: return "SIGTERM";
    case SIGHUP: return "SIGHUP";
    case SIGQUIT: return "SIGQUIT";
    }
    return "a signal";
}

PlacementHold::PlacementHold() : stopsBefore_(stops.load()) { placing.fetch_add(1); }

PlacementHold::~PlacementHold() {
    if (placing.fetch_sub(1) == 1 && stopPending.load()) StopAtOnce(stopPending.load());
}

int PlacementHold::StopCame() const { return stops.load() > stopsBefore_ ? firstSignal.load() : 0; }
