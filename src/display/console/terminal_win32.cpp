#include "display/console/terminal.h"

#include <windows.h>
#include <io.h>

#include <atomic>
#include <cstdlib>
#include <initializer_list>

namespace {

// The console's handle behind a C stream; null when the stream is no console (a
// file, a pipe).
HANDLE ConsoleOf(std::FILE* stream) {
    const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    DWORD mode = 0;
    return handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) ? handle : nullptr;
}

// The console as the program found it, given back as it ends: its code pages and
// the mode of the output it turned terminal sequences on for (the window outlives
// the program, and the shell in it expects what it had).
UINT foundOutputPage = 0, foundInputPage = 0;
HANDLE changedConsole = nullptr;
DWORD foundMode = 0;

void GiveConsoleBack() {
    if (foundOutputPage) SetConsoleOutputCP(foundOutputPage);
    if (foundInputPage) SetConsoleCP(foundInputPage);
    if (changedConsole) SetConsoleMode(changedConsole, foundMode);
}

// Whether the console shows a terminal sequence as text: some take the mode that asks
// for sequences and still print them (Windows before 10, Wine's console). A reset of
// the colours takes no room where sequences are understood; where the cursor moves,
// what it wrote is wiped and the cursor put back.
bool ShowsSequencesAsText(HANDLE console) {
    CONSOLE_SCREEN_BUFFER_INFO before, after;
    if (!GetConsoleScreenBufferInfo(console, &before)) return true;
    static const char reset[] = "\033[0m";
    DWORD written = 0;
    if (!WriteConsoleA(console, reset, sizeof reset - 1, &written, nullptr)) return true;
    if (!GetConsoleScreenBufferInfo(console, &after)) return true;
    const COORD at = before.dwCursorPosition, now = after.dwCursorPosition;
    if (at.X == now.X && at.Y == now.Y) return false;
    const long cells = (static_cast<long>(now.Y) - at.Y) * before.dwSize.X + now.X - at.X;
    DWORD wiped = 0;
    if (cells > 0) FillConsoleOutputCharacterA(console, ' ', static_cast<DWORD>(cells), at, &wiped);
    SetConsoleCursorPosition(console, at);
    return true;
}

// Whether a console output takes terminal sequences: asked for once, kept.
bool TakesSequences(HANDLE console) {
    DWORD mode = 0;
    if (!GetConsoleMode(console, &mode)) return false;
    if (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) return !ShowsSequencesAsText(console);
    if (!SetConsoleMode(console, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING)) return false;
    if (ShowsSequencesAsText(console)) {
        SetConsoleMode(console, mode);
        return false;
    }
    if (!changedConsole) {
        changedConsole = console;
        foundMode = mode;
    }
    return true;
}

std::atomic<int> errorTakes{-1}, outputTakes{-1};

bool ScreenOf(std::FILE* stream, CONSOLE_SCREEN_BUFFER_INFO* info) {
    const HANDLE console = ConsoleOf(stream);
    return console && GetConsoleScreenBufferInfo(console, info);
}

}  // namespace

void PrepareTerminal() {
    foundOutputPage = GetConsoleOutputCP();
    foundInputPage = GetConsoleCP();
    std::atexit(GiveConsoleBack);
    SetConsoleOutputCP(CP_UTF8);
    SetConsoleCP(CP_UTF8);
    for (std::FILE* stream : {stdout, stderr}) {
        const HANDLE console = ConsoleOf(stream);
        (stream == stderr ? errorTakes : outputTakes) = console && TakesSequences(console) ? 1 : 0;
    }
}

bool IsTerminal(std::FILE* stream) {
    std::atomic<int>& takes = stream == stderr ? errorTakes : outputTakes;
    if (stream != stderr && stream != stdout) return false;
    if (takes.load() < 0) {
        const HANDLE console = ConsoleOf(stream);
        takes = console && TakesSequences(console) ? 1 : 0;
    }
    return takes.load() == 1;
}

bool InputIsTerminal() { return ConsoleOf(stdin) != nullptr; }

int TerminalWidth(std::FILE* stream) {
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (ScreenOf(stream, &info) && info.srWindow.Right > info.srWindow.Left) return info.srWindow.Right - info.srWindow.Left + 1;
    return 80;
}

int TerminalHeight(std::FILE* stream) {
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (ScreenOf(stream, &info) && info.srWindow.Bottom > info.srWindow.Top) return info.srWindow.Bottom - info.srWindow.Top + 1;
    return 24;
}
