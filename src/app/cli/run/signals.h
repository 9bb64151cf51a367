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

// The signal that set CancelFlag (0: none did).
extern volatile std::sig_atomic_t CancelSignal;

// While one of these stands, Ctrl-C and the like wait: a step that must not be cut
// in two (an image put in place) runs to its end first.
class CancelSignalsHeld {
public:
    CancelSignalsHeld();
    ~CancelSignalsHeld();
    CancelSignalsHeld(const CancelSignalsHeld&) = delete;
    CancelSignalsHeld& operator=(const CancelSignalsHeld&) = delete;

private:
    sigset_t before_;
};
