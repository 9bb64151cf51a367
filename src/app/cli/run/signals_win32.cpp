// The console's stop events: Ctrl-C, Ctrl-Break, and the window closed (or the user
// logging off, the machine shutting down). Each counts as a signal of the C runtime's
// numbers, so that the exit status of a cancel is 128 + that number as elsewhere:
// 130 for Ctrl-C, 149 for Ctrl-Break, 143 for a closed window.
#include <windows.h>

#include <csignal>
#include <cstdlib>

#include "app/cli/run/signals.h"

namespace {

constexpr int CtrlBreak = 21;  // SIGBREAK
constexpr int Closed = SIGTERM;

BOOL WINAPI OnConsoleEvent(DWORD event) {
    switch (event) {
    case CTRL_C_EVENT: HearStop(SIGINT); return TRUE;
    case CTRL_BREAK_EVENT: HearStop(CtrlBreak); return TRUE;
    default:
        // The window goes away: Windows ends the program once this returns (or a few
        // seconds later). Meanwhile the sessions stop at their next check, within a
        // quarter of a second, and the program ends by itself.
        HearStop(Closed);
        Sleep(4000);
        return TRUE;
    }
}

}  // namespace

void StopAtOnce(int signal) { std::_Exit(128 + signal); }

void CatchStopSignals() { SetConsoleCtrlHandler(OnConsoleEvent, TRUE); }

const char* SignalName(int signal) {
    switch (signal) {
    case SIGINT: return "Ctrl-C";
    case CtrlBreak: return "Ctrl-Break";
    case Closed: return "closing the window";
    }
    return "a signal";
}
