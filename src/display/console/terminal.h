// The terminal the command line draws on, as this platform tells it.
#pragma once

#include <cstdio>

// Gets the terminal ready for the program's text: on Windows the console takes UTF-8
// and, where it can, the cursor sequences that bars and boards draw with. Once, first.
void PrepareTerminal();

// True when `stream` is a terminal that takes those cursor sequences (bars and
// boards are drawn there; elsewhere plain lines are written).
bool IsTerminal(std::FILE* stream);

// True when the standard input is a terminal a question can be answered on.
bool InputIsTerminal();

// The terminal's width in columns (80 when it cannot be told), and its height in
// lines (24 likewise).
int TerminalWidth(std::FILE* stream);
int TerminalHeight(std::FILE* stream);
