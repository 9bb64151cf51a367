// Signals of the command line: Ctrl-C (and SIGTERM, SIGHUP, SIGQUIT) is the
// dialog's Cancel; a closed standard output, a file over its size limit or a
// resized terminal never end a transfer.
#pragma once

#include <csignal>

// Catches them (and ignores SIGPIPE and SIGXFSZ); the first one sets CancelFlag and
// CancelSignal, a second one stops the program at once.
void CatchSignals();

// Hands Ctrl-C, SIGTERM, SIGHUP and SIGQUIT to `handler` and ignores SIGPIPE: for a
// command that passes them on to its workers.
void CatchStopSignals(void (*handler)(int));

// How the user calls a stop signal: "Ctrl-C", "SIGTERM" ..
const char* SignalName(int signal);

// The signal that set CancelFlag (0: none did).
extern volatile std::sig_atomic_t CancelSignal;

// While one of these stands, Ctrl-C and the like wait: a step that must not be cut
// in two (an image put in place) runs to its end first, and is then told what came.
class CancelSignalsHeld {
public:
    CancelSignalsHeld();
    ~CancelSignalsHeld() { Release(); }
    CancelSignalsHeld(const CancelSignalsHeld&) = delete;
    CancelSignalsHeld& operator=(const CancelSignalsHeld&) = delete;

    // Ends the hold. The stop signal that came meanwhile (0: none) is taken here and
    // returned, not acted on: the step it waited for is done.
    int Release();

private:
    sigset_t before_;
    bool held_ = true;
};
