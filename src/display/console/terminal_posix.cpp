#include "display/console/terminal.h"

#include <sys/ioctl.h>
#include <unistd.h>

void PrepareTerminal() {}

bool IsTerminal(std::FILE* stream) { return isatty(fileno(stream)); }

bool InputIsTerminal() { return isatty(STDIN_FILENO); }

int TerminalWidth(std::FILE* stream) {
    winsize size{};
    if (ioctl(fileno(stream), TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
    return 80;
}

int TerminalHeight(std::FILE* stream) {
    winsize size{};
    if (ioctl(fileno(stream), TIOCGWINSZ, &size) == 0 && size.ws_row > 0) return size.ws_row;
    return 24;
}
