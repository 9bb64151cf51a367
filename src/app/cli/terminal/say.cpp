#include "app/cli/terminal/say.h"

#include <unistd.h>

#include <cstdio>

#include "display/console/console_lines.h"
#include "display/console/help_format.h"
#include "display/console/json_text.h"

void Say(const std::string& text) {
    std::string line = "kestrivane: " + PrintableText(text);
    // On a terminal a long line breaks between words, not inside one.
    if (isatty(STDERR_FILENO)) line = WrapToWidth(line, static_cast<std::size_t>(TerminalWidth(stderr)));
    std::fprintf(stderr, "%s\n", line.c_str());
}

int Refuse(const std::string& reason) {
    Say(reason);
    return 2;
}
