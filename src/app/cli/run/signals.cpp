#include "app/cli/run/signals.h"

#include <csignal>

#include "core/cancel_flag.h"
#include "display/console/console_display.h"

volatile std::sig_atomic_t CancelSignal = 0;

namespace {

constexpr int CancelSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

// The first signal cancels at the session's next check, with the port closed; a
// second one stops the program at once.
void OnCancel(int signal) {
    if (CancelFlag) {
        std::signal(signal, SIG_DFL);
        std::raise(signal);
        return;
    }
    CancelSignal = signal;
    CancelFlag = 1;  // the display says so at its next pump
}

void OnResize(int) { TerminalResized = 1; }

}  // namespace

void CatchStopSignals(void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    for (int signal : CancelSignals) sigaction(signal, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);  // output to a closed pipe (| head -1) fails quietly
}

void CatchSignals() {
    CatchStopSignals(OnCancel);
    struct sigaction action {};
    action.sa_handler = OnResize;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGWINCH, &action, nullptr);
    // A file grown past the size limit (ulimit -f) is a failed write the session reports.
    std::signal(SIGXFSZ, SIG_IGN);
}

CancelSignalsHeld::CancelSignalsHeld() {
    sigset_t held;
    sigemptyset(&held);
    for (int signal : CancelSignals) sigaddset(&held, signal);
    sigprocmask(SIG_BLOCK, &held, &before_);
}

int CancelSignalsHeld::Release() {
    if (!held_) return 0;
    held_ = false;
    int came = 0;
    sigset_t pending;
    sigpending(&pending);
    for (int signal : CancelSignals) {
        if (!sigismember(&pending, signal)) continue;
        sigset_t one;
        sigemptyset(&one);
        sigaddset(&one, signal);
        const timespec now{};
        if (sigtimedwait(&one, nullptr, &now) == signal && !came) came = signal;
    }
    sigprocmask(SIG_SETMASK, &before_, nullptr);
    return came;
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
