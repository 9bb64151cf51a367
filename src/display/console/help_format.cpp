#include "display/console/help_format.h"

#include <cstdlib>

#include "display/console/terminal.h"

namespace {

// The terminal's width; without a terminal COLUMNS, or 80.
std::size_t HelpWidth() {
    if (IsTerminal(stdout) && TerminalWidth(stdout) > 20) return static_cast<std::size_t>(TerminalWidth(stdout));
    const char* columns = std::getenv("COLUMNS");
    const long wanted = columns ? std::atol(columns) : 0;
    return wanted > 20 ? static_cast<std::size_t>(wanted) : 80;
}

// One line wrapped: pieces of at most `width` columns, broken at spaces, each after
// the first indented by `indent`.
std::string WrapLine(const std::string& line, std::size_t width, std::size_t indent) {
    std::string out, rest = line;
    while (rest.size() > width) {
        std::size_t cut = rest.rfind(' ', width);
        if (cut == std::string::npos || cut <= indent) cut = rest.find(' ', width);  // a word longer than the room
        if (cut == std::string::npos) break;
        out += rest.substr(0, cut) + "\n";
        const std::size_t next = rest.find_first_not_of(' ', cut);
        rest = std::string(indent, ' ') + (next == std::string::npos ? "" : rest.substr(next));
    }
    return out + rest;
}

}  // namespace

std::string WrapToWidth(const std::string& text, std::size_t width) {
    std::string out;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(start, end - start);
        std::size_t indent = 0;
        if (!line.empty() && line[0] == ' ') {
            indent = line.find_first_not_of(' ');
            const std::size_t gap = line.find("  ", indent);
            const std::size_t description = gap == std::string::npos ? gap : line.find_first_not_of(' ', gap);
            if (indent != std::string::npos && description != std::string::npos) indent = description;
        }
        out += WrapLine(line, width, indent + 20 <= width ? indent : 2);  // at least 20 columns a piece
        if (end == text.size()) break;
        out += "\n";
        start = end + 1;
    }
    return out;
}

std::string WrappingFormatter::make_help(const CLI::App* app, std::string name, CLI::AppFormatMode mode) const {
    return WrapToWidth(CLI::Formatter::make_help(app, std::move(name), mode), HelpWidth() - 1);
}
