#include "app/cli/terminal/station_board.h"

#include <algorithm>

#include "app/cli/machine/clock.h"
#include "app/cli/machine/port_names.h"
#include "display/console/console_lines.h"

namespace {

constexpr int PortColumn = 12;  // at least
constexpr int WideFrom = 100;  // columns from which states are said in full

// A port's name fitted to its column: one longer than a quarter of the line keeps
// its end.
std::string PortCell(const std::string& port, int column) {
    std::string cell = static_cast<int>(port.size()) <= column ? port : "~" + port.substr(port.size() - (column - 1));
    cell.resize(static_cast<std::size_t>(column), ' ');
    return cell;
}

// The port column: as wide as the longest name, at least 12, at most a quarter of the line.
int PortColumnFor(const std::vector<StationRow>& rows, int width) {
    int column = PortColumn;
    for (const StationRow& row : rows) column = std::max(column, static_cast<int>(row.port.size()));
    return std::min(column, std::max(PortColumn, width / 4));
}

// "Flash Database" gives "Flash".
std::string FirstWord(const std::string& text) { return text.substr(0, text.find(' ')); }

// What a running box does, in full or in a few words: "Receiving Satellite Database",
// "recv Satellite"; "waiting for the box to announce Resource", "await Resource".
std::string Doing(const StationRow& row, bool wide, bool upload) {
    const std::string section = row.section ? SectionName(*row.section) : "URT file";
    const std::string shortName = row.section ? FirstWord(section) : "URT";
    switch (row.step) {
    case TransferStep::Packets:
        return wide ? (upload ? "Sending " : "Receiving ") + section : (upload ? "send " : "recv ") + shortName;
    case TransferStep::Announcement: return wide ? "waiting for the box to announce " + section : "await " + shortName;
    case TransferStep::Handshake: return wide ? "waiting for the box to answer for " + section : "await " + shortName;
    case TransferStep::HeaderRequest: return wide ? "waiting for the box to ask for " + section : "await " + shortName;
    default: break;
    }
    return wide ? "closing the transfer" : "closing";
}

std::string Bar(const StationRow& row, int width) {
    if (row.step != TransferStep::Packets || row.announced == 0 || width < 8) return {};
    std::string counts = " " + std::to_string(row.packets) + "/" + std::to_string(row.announced);
    if (row.rate > 0 && width >= 30) {
        char speed[32];
        std::snprintf(speed, sizeof speed, " %.1f kB/s", row.rate / 1000);
        counts += speed;
    }
    const int inner = std::min(20, width - static_cast<int>(counts.size()) - 2);
    if (inner < 3) return counts;
    const int filled = row.announced > 0 ? std::min(inner, row.packets * inner / row.announced) : 0;
    return "[" + std::string(static_cast<std::size_t>(filled), '#') + std::string(static_cast<std::size_t>(inner - filled), '-') +
           "]" + counts;
}

constexpr int FailuresKeptFor = 3;  // boxes done after a failure before its tally leaves the row

// What needs a person first: ports whose last box failed, ports gone, those that
// cannot be used (held by another program), those with failures among their last
// boxes; then those cut short, running boxes, the latest verdicts, and those waiting
// for their first box.
int Rank(const StationRow& row) {
    if (row.state == StationRow::State::Gone) return 1;
    if (row.state == StationRow::State::Waiting) {
        if (row.last == StationRow::Last::Failed) return 0;
        if (!row.problem.empty()) return 2;
    }
    if (FailuresInView(row)) return 3;
    if (row.state == StationRow::State::Running) return 5;
    if (row.last == StationRow::Last::Cancelled) return 4;
    return row.last == StationRow::Last::Done ? 6 : 7;
}

bool ShownBefore(const StationRow* a, const StationRow* b) {
    const int ra = Rank(*a), rb = Rank(*b);
    if (ra != rb) return ra < rb;
    // The latest first: failures, and the verdicts of boxes that ended.
    if (ra == 3 && a->failedAt != b->failedAt) return a->failedAt > b->failedAt;
    if ((ra == 0 || ra == 4 || ra == 6) && a->finishedAt != b->finishedAt) return a->finishedAt > b->finishedAt;
    return NaturalLess(a->port, b->port);
}

// How the port's last box ended, with its cause: "FAILED: ... (2 of 7 failed)".
std::string LastBox(const StationRow& row) {
    const int boxes = row.done + row.failed + row.cutShort;
    const std::string counts = " (" + std::to_string(row.failed) + " of " + std::to_string(boxes) + " failed)";
    switch (row.last) {
    case StationRow::Last::Done:
        return "done" + (boxes > 1 ? " (" + std::to_string(boxes) + " boxes)" : std::string()) + ": " + row.verdict +
               (row.shortOfBefore.empty() ? "" : "; " + row.shortOfBefore) +
               (FailuresInView(row) ? "; " + FailureTally(row) : "");
    case StationRow::Last::Failed: return "FAILED: " + row.verdict + (boxes > 1 ? counts : "");
    case StationRow::Last::Cancelled:
        return "cancelled: " + row.verdict + (FailuresInView(row) ? "; " + FailureTally(row) : "");
    case StationRow::Last::None: break;
    }
    return {};
}

std::string TotalsLine(const StationTotals& t, int folded, int width) {
    char line[200];
    std::string text;
    for (bool full : {true, false}) {  // in full, else in short words where that does not fit
        std::snprintf(line, sizeof line, full ? "done %d  failed %d  running %d  waiting %d" : "done %d fail %d run %d wait %d",
                      t.done, t.failed, t.running, t.waiting);
        text = line;
        if (t.gone) text += (full ? "  gone " : " gone ") + std::to_string(t.gone);
        if (t.held) text += (full ? "  held " : " held ") + std::to_string(t.held);
        if (t.boxesPerHour >= 0) {
            std::snprintf(line, sizeof line, full ? "  %.1f boxes/%s" : " %.0f/h", t.boxesPerHour,
                          width >= WideFrom ? "hour" : "h");
            text += line;
        }
        if (folded > 0)
            text += width >= WideFrom ? "  (" + std::to_string(folded) + " more ports in the totals)"
                                      : (full ? "  +" : " +") + std::to_string(folded) + (full ? " ports" : "");
        if (static_cast<int>(text.size()) < width) break;
    }
    return text;
}

}  // namespace

void CountBox(StationRow& row, StationRow::Last how, const std::string& verdict, double now) {
    row.last = how;
    row.verdict = verdict;
    row.finishedAt = now;
    switch (how) {
    case StationRow::Last::Done:
        ++row.done;
        ++row.sinceFailure;
        break;
    case StationRow::Last::Failed:
        ++row.failed;
        row.lastFailure = verdict;
        row.failedAt = now;
        row.sinceFailure = 0;
        break;
    case StationRow::Last::Cancelled: ++row.cutShort; break;
    case StationRow::Last::None: break;
    }
}

bool FailuresInView(const StationRow& row) { return row.failed > 0 && row.sinceFailure < FailuresKeptFor; }

std::string FailureTally(const StationRow& row) {
    return std::to_string(row.failed) + " of " + std::to_string(row.done + row.failed + row.cutShort) +
           " failed, last: " + row.lastFailure;
}

bool TakeEvent(StationRow& row, const ProgressEvent& event) {
    using Kind = ProgressEvent::Kind;
    bool began = false;
    if (event.kind == Kind::Step) {
        row.step = event.step;
        row.section = event.section;
        row.packets = row.announced = 0;
        row.rate = 0;
        began = row.step != TransferStep::PowerOn && row.state != StationRow::State::Running;
        if (began) {
            row.problem.clear();
            row.state = StationRow::State::Running;
        }
    } else if (event.kind == Kind::Section) {
        row.announced = event.count;
    } else if (event.kind == Kind::Packet) {
        row.packets = event.count;
        row.rate = event.rate;
    }
    return began;
}

std::string StationBoard::Line(const StationRow& row, int width, bool ended, int portColumn) {
    const bool wide = width >= WideFrom;
    std::string line = PortCell(row.port, portColumn) + " ";
    const std::string channel = row.upload ? "down" : "up";
    switch (row.state) {
    case StationRow::State::Waiting:
        if (!row.problem.empty())
            line += (row.held ? "held: " : "waiting: ") + row.problem;
        else if (row.last == StationRow::Last::None)
            line += wide ? "waiting: switch the box on holding channel " + channel : "waiting: box on, channel " + channel;
        else
            line += LastBox(row) + (wide && !ended ? "; next box: switch it on holding channel " + channel : "");
        break;
    case StationRow::State::Running: {
        const std::string doing = Doing(row, wide, row.upload);
        const std::string tally = FailuresInView(row) ? "; " + FailureTally(row) : "";
        const int room = width - 1 - static_cast<int>(line.size() + doing.size()) - 1;
        const std::string bar = Bar(row, tally.empty() ? room : std::min(room, 22));
        line += doing + (bar.empty() ? "" : " " + bar) + tally;
        break;
    }
    case StationRow::State::Gone:
        line += wide ? "gone: the port is no longer there" : "gone (unplugged)";
        if (row.last != StationRow::Last::None) line += "; last " + LastBox(row);
        if (row.last != StationRow::Last::Failed && FailuresInView(row)) line += "; " + FailureTally(row);
        break;
    }
    return FitToWidth(line, width);
}

std::vector<std::string> StationBoard::Lines(const std::vector<StationRow>& rows, const StationTotals& totals,
                                             int width, int height, bool ended) {
    std::vector<const StationRow*> order;
    for (const StationRow& row : rows) order.push_back(&row);
    std::stable_sort(order.begin(), order.end(), ShownBefore);
    // The totals, the patterns that match nothing, and the line the cursor stands on.
    const int room = std::max(0, height - 2 - (totals.unmatched.empty() ? 0 : 1));
    const int shown = std::min(room, static_cast<int>(order.size()));
    const int folded = static_cast<int>(order.size()) - shown;
    std::vector<std::string> lines{FitToWidth(TotalsLine(totals, folded, width), width)};
    if (!totals.unmatched.empty())
        lines.push_back(FitToWidth("no port matches " + totals.unmatched + " yet: plug in an adapter", width));
    const int column = PortColumnFor(rows, width);
    for (int i = 0; i < shown; ++i) lines.push_back(Line(*order[static_cast<std::size_t>(i)], width, ended, column));
    return lines;
}

void StationBoard::Draw(const std::vector<StationRow>& rows, const StationTotals& totals, bool now) {
    const double at = SteadySeconds();
    if (!now && at - lastDraw_ < 0.1) return;
    lastDraw_ = at;
    const int width = TerminalWidth(err_);
    const std::vector<std::string> lines = Lines(rows, totals, width, TerminalHeight(err_), ended_);
    // A terminal made narrower has wrapped the lines drawn: the screen is drawn anew.
    if (drawn_ && width < width_) std::fputs("\033[H\033[2J", err_);
    else if (drawn_) std::fprintf(err_, "\033[%dA", drawn_);
    width_ = width;
    for (const std::string& line : lines) std::fprintf(err_, "\r\033[K%s\n", line.c_str());
    std::fputs("\033[J", err_);  // what a longer board left below
    drawn_ = static_cast<int>(lines.size());
    std::fflush(err_);
}

void StationBoard::Finish(const std::vector<StationRow>& rows, const StationTotals& totals) {
    ended_ = true;
    Draw(rows, totals, true);
}
