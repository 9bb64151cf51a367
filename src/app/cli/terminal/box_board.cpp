#include "app/cli/terminal/box_board.h"

#include <algorithm>

#include "app/cli/machine/port_names.h"
#include "app/cli/machine/clock.h"
#include "display/console/console_lines.h"

namespace {

std::string Text(const Json& event, const char* key) {
    const auto it = event.find(key);
    return it != event.end() && it->is_string() ? it->get<std::string>() : std::string();
}

int Number(const Json& event, const char* key) {
    const auto it = event.find(key);
    return it != event.end() && it->is_number() ? it->get<int>() : 0;
}

}  // namespace

BoxBoard::BoxBoard(const std::vector<std::string>& ports, std::FILE* err) : err_(err) {
    for (const std::string& port : ports) {
        rows_.emplace_back();
        rows_.back().port = PrintableText(PortBaseName(port));
    }
}

void BoxBoard::Event(std::size_t box, const Json& event) {
    Row& row = rows_[box];
    const std::string kind = Text(event, "event");
    if (kind == "status") {
        row.state = Text(event, "text");
        if (row.state.rfind("Status: ", 0) == 0) row.state = row.state.substr(8);
    } else if (kind == "section") {
        row.section = Text(event, "section");
        row.announced = Number(event, "announced");
        row.packets = 0;
    } else if (kind == "packet") {
        row.packets = Number(event, "packet");
        const auto rate = event.find("bytes_per_second");
        if (rate != event.end() && rate->is_number()) row.rate = rate->get<double>();
    } else if (kind == "waiting") {
        row.state = "waiting for " + Text(event, "for") + ": " + std::to_string(Number(event, "seconds")) + " s";
    } else if (kind == "message") {
        row.state = Text(event, "text");
        std::replace(row.state.begin(), row.state.end(), '\n', ' ');
    } else if (kind == "end") {
        row.lastWord = Text(event, "message");
        std::replace(row.lastWord.begin(), row.lastWord.end(), '\n', ' ');
    }
    Draw();
}

void BoxBoard::Ended(std::size_t box, int status) {
    rows_[box].state = status == 0 ? "done" : status == 2 ? "could not start" : "failed";
    Draw(true);
}

std::string BoxBoard::Line(const Row& row, int width) const {
    char head[40];
    std::snprintf(head, sizeof head, "%-10s ", row.port.c_str());
    std::string line = head;
    if (!row.section.empty()) {
        const std::string bar = BarLine(row.section.c_str(), row.packets, row.packets, row.announced, row.rate, -1,
                                        std::min(width, 78) - static_cast<int>(line.size()));
        line += bar.substr(std::min<std::size_t>(2, bar.size()));  // the bar's own indent goes
    }
    return FitToWidth(line + "  " + row.state, width);
}

void BoxBoard::Draw(bool now) {
    const double at = SteadySeconds();
    if (!now && at - lastDraw_ < 0.1) return;
    lastDraw_ = at;
    const int width = TerminalWidth(err_);
    if (drawn_) std::fprintf(err_, "\033[%zuA", rows_.size());
    for (const Row& row : rows_) std::fprintf(err_, "\r\033[K%s\n", Line(row, width).c_str());
    drawn_ = true;
    std::fflush(err_);
}

void BoxBoard::Finish() { Draw(true); }
