#include "app/cli/terminal/station_board.h"

#include <algorithm>

#include "app/cli/machine/clock.h"
#include "display/console/console_lines.h"

namespace {

constexpr int PortColumn = 12;
constexpr int WideFrom = 100;  // columns from which states are said in full

// A port's name fitted to its column: a long one keeps its end, where adapters differ.
std::string PortCell(const std::string& port) {
    std::string cell = static_cast<int>(port.size()) <= PortColumn ? port : "~" + port.substr(port.size() - (PortColumn - 1));
    cell.resize(PortColumn, ' ');
    return cell;
}

// "Flash Database" gives "Flash".
std::string FirstWord(const std::string& text) { return text.substr(0, text.find(' ')); }

// What a running box does, in full or in a few words: "Receiving Satellite Database",
// "recv Satellite"; "waiting for the box to announce Resource", "await Resource".
std::string Doing(const StationRow& row, bool wide, bool upload) {
    const std::string section = row.section.empty() ? "URT file" : row.section;
    const std::string shortName = row.section.empty() ? "URT" : FirstWord(row.section);
    if (row.step == "packets") return wide ? (upload ? "Sending " : "Receiving ") + section : (upload ? "send " : "recv ") + shortName;
    if (row.step == "announcement") return wide ? "waiting for the box to announce " + section : "await " + shortName;
    if (row.step == "handshake") return wide ? "waiting for the box to answer for " + section : "await " + shortName;
    if (row.step == "header-request") return wide ? "waiting for the box to ask for " + section : "await " + shortName;
    return wide ? "closing the transfer" : "closing";
}

std::string Bar(const StationRow& row, int width) {
    if (row.step != "packets" || row.announced == 0 || width < 8) return {};
    const std::string counts = " " + std::to_string(row.packets) + "/" + std::to_string(row.announced);
    const int inner = std::min(20, width - static_cast<int>(counts.size()) - 2);
    if (inner < 3) return counts;
    const int filled = row.announced > 0 ? std::min(inner, row.packets * inner / row.announced) : 0;
    return "[" + std::string(static_cast<std::size_t>(filled), '#') + std::string(static_cast<std::size_t>(inner - filled), '-') +
           "]" + counts;
}

// Running boxes first, then ports whose last box failed, the gone ones, the latest
// verdicts, and those waiting for their first box.
int Rank(const StationRow& row) {
    if (row.state == StationRow::State::Running) return 0;
    if (row.last == StationRow::Last::Failed || row.last == StationRow::Last::Cancelled) return 1;
    if (row.state == StationRow::State::Gone) return 2;
    return row.last == StationRow::Last::Done ? 3 : 4;
}

// How the port's last box ended, with its cause: "FAILED (3 boxes): ...".
std::string LastBox(const StationRow& row) {
    const std::string boxes = row.done + row.failed > 1 ? " (" + std::to_string(row.done + row.failed) + " boxes)" : "";
    switch (row.last) {
    case StationRow::Last::Done: return "done" + boxes + ": " + row.verdict;
    case StationRow::Last::Failed: return "FAILED" + boxes + ": " + row.verdict;
    case StationRow::Last::Cancelled: return "cancelled: " + row.verdict;
    case StationRow::Last::None: break;
    }
    return {};
}

std::string TotalsLine(const StationTotals& t, int folded, bool wide) {
    char line[160];
    std::snprintf(line, sizeof line, "done %d  failed %d  running %d  waiting %d  gone %d  %.1f boxes/%s", t.done,
                  t.failed, t.running, t.waiting, t.gone, t.boxesPerHour, wide ? "hour" : "h");
    std::string text = line;
    if (folded > 0) text += wide ? "  (" + std::to_string(folded) + " more ports in the totals)"
                                 : "  +" + std::to_string(folded) + " ports";
    return text;
}

}  // namespace

std::string StationBoard::Line(const StationRow& row, int width, bool ended) {
    const bool wide = width >= WideFrom;
    std::string line = PortCell(row.port) + " ";
    const std::string channel = row.upload ? "down" : "up";
    switch (row.state) {
    case StationRow::State::Waiting:
        if (!row.problem.empty())
            line += "waiting: " + row.problem;
        else if (row.last == StationRow::Last::None)
            line += wide ? "waiting: switch the box on holding channel " + channel : "waiting: box on, channel " + channel;
        else
            line += LastBox(row) + (wide && !ended ? "; next box: switch it on holding channel " + channel : "");
        break;
    case StationRow::State::Running: {
        const std::string doing = Doing(row, wide, row.upload);
        const std::string bar = Bar(row, width - 1 - static_cast<int>(line.size() + doing.size()) - 1);
        line += doing + (bar.empty() ? "" : " " + bar);
        break;
    }
    case StationRow::State::Gone:
        line += wide ? "gone: the port is no longer there" : "gone (unplugged)";
        if (row.last != StationRow::Last::None) line += "; last " + LastBox(row);
        break;
    }
    return FitToWidth(line, width);
}

std::vector<std::string> StationBoard::Lines(const std::vector<StationRow>& rows, const StationTotals& totals,
                                             int width, int height, bool ended) {
    std::vector<const StationRow*> order;
    for (const StationRow& row : rows) order.push_back(&row);
    std::stable_sort(order.begin(), order.end(), [](const StationRow* a, const StationRow* b) {
        if (Rank(*a) != Rank(*b)) return Rank(*a) < Rank(*b);
        return a->finishedAt > b->finishedAt;  // the latest verdicts first
    });
    const int room = std::max(0, height - 2);  // the totals, and the line the cursor stands on
    const int shown = std::min(room, static_cast<int>(order.size()));
    const int folded = static_cast<int>(order.size()) - shown;
    std::vector<std::string> lines{FitToWidth(TotalsLine(totals, folded, width >= WideFrom), width)};
    for (int i = 0; i < shown; ++i) lines.push_back(Line(*order[static_cast<std::size_t>(i)], width, ended));
    return lines;
}

void StationBoard::Draw(const std::vector<StationRow>& rows, const StationTotals& totals, bool now) {
    const double at = SteadySeconds();
    if (!now && at - lastDraw_ < 0.1) return;
    lastDraw_ = at;
    const std::vector<std::string> lines = Lines(rows, totals, TerminalWidth(err_), TerminalHeight(err_), ended_);
    if (drawn_) std::fprintf(err_, "\033[%dA", drawn_);
    for (const std::string& line : lines) std::fprintf(err_, "\r\033[K%s\n", line.c_str());
    std::fputs("\033[J", err_);  // what a longer board left below
    drawn_ = static_cast<int>(lines.size());
    std::fflush(err_);
}

void StationBoard::Finish(const std::vector<StationRow>& rows, const StationTotals& totals) {
    ended_ = true;
    Draw(rows, totals, true);
}
