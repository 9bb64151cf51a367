#include <csignal>

#include "app/cli/run/signals.h"
#include "display/console/console_display.h"

namespace {

constexpr int StopSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

void OnStop(int signal) { HearStop(signal); }

void OnResize(int) { TerminalResized = 1; }

}  // namespace

void StopAtOnce(int signal) {
    std::signal(signal, SIG_DFL);
    std::raise(signal);  // in the handler: as soon as it returns
}

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

const char* SignalName(int signal) {
    switch (signal) {
    case SIGINT: return "Ctrl-C";
    case SIGTERM: return "SIGTERM";
    case SIGHUP: return "SIGHUP";
    case SIGQUIT: return "SIGQUIT";
    }
    return "a signal";
}
