#include "app/cli/run/several_boxes_view.h"

#include <unistd.h>

#include <algorithm>

#include "app/cli/image/stored_file.h"
#include "app/cli/machine/port_names.h"
#include "app/cli/terminal/say.h"
#include "display/console/console_lines.h"
#include "display/console/help_format.h"
#include "display/console/json_text.h"

namespace {

// A line on standard error, broken between words on a terminal.
void SayLine(const std::string& line) {
    const std::string shown =
        isatty(STDERR_FILENO) ? WrapToWidth(line, static_cast<std::size_t>(TerminalWidth(stderr))) : line;
    std::fprintf(stderr, "%s\n", shown.c_str());
}

// The workers' own lines, each said once: a line that several boxes said alike (but
// for their port's name) once, with how many said it.
void SayNotes(const std::vector<BoxWorker>& workers, const std::vector<std::string>& names) {
    std::vector<std::pair<std::string, std::vector<std::size_t>>> notes;  // in the order first said
    for (std::size_t i = 0; i < workers.size(); ++i) {
        for (std::string line : workers[i].said) {
            if (line.rfind("kestrivane: ", 0) == 0) line.erase(0, 12);
            if (line == WhatItSaid(workers[i])) continue;  // its result line says it
            const std::string alike = WithPlaceholder(line, PortBaseName(workers[i].port), PortPlaceholder);
            auto note = std::find_if(notes.begin(), notes.end(), [&](const auto& n) { return n.first == alike; });
            if (note == notes.end()) note = notes.insert(notes.end(), {alike, {}});
            note->second.push_back(i);
        }
    }
    for (const auto& [line, boxes] : notes) {
        if (boxes.size() == 1) {
            SayLine(names[boxes[0]] + ": " + WithPort(line, workers[boxes[0]].port));
            continue;
        }
        std::string which = std::to_string(boxes.size()) + " boxes";
        if (boxes.size() <= 3)
            for (std::size_t k = 0; k < boxes.size(); ++k) which += (k == 0 ? ": " : ", ") + names[boxes[k]];
        SayLine(line + " (" + which + ")");
    }
}

}  // namespace

std::string WhatItSaid(const BoxWorker& w) {
    if (!w.lastWord.empty()) return w.lastWord;
    for (auto line = w.said.rbegin(); line != w.said.rend(); ++line)
        if (line->rfind("kestrivane: ", 0) == 0 && line->rfind("kestrivane: warning", 0) != 0) return line->substr(12);
    return w.said.empty() ? std::string() : w.said.back();
}

const char* BoxResult(int status) {
    return status == 0 ? "done" : status == 2 ? "could not start" : status > 128 ? "cancelled" : "failed";
}

void SayResults(const std::vector<BoxWorker>& workers, const std::vector<std::string>& names) {
    std::size_t column = 12;
    for (const std::string& name : names) column = std::max(column, name.size() + 1);
    const int width = static_cast<int>(column);
    char line[256];
    std::snprintf(line, sizeof line, "%-*s %-16s %7s  message", width, "port", "result", "time");
    SayLine(line);
    for (std::size_t i = 0; i < workers.size(); ++i) {
        std::snprintf(line, sizeof line, "%-*s %-16s %6.1fs  ", width, names[i].c_str(), BoxResult(workers[i].status),
                      workers[i].seconds);
        SayLine(line + Printable(WhatItSaid(workers[i])));
    }
}

BoxesView::BoxesView(const std::vector<BoxWorker>& workers, const std::vector<std::string>& names,
                     const TransferOptions& options, bool upload)
    : workers_(workers), names_(names), rows_(names.size()), board_(stderr), lines_(stdout, stderr),
      json_(options.progressJson), onBoard_(isatty(STDERR_FILENO) && !options.progressJson && !options.quiet),
      quiet_(options.quiet) {
    for (std::size_t i = 0; i < names.size(); ++i) {
        rows_[i].port = names[i];
        rows_[i].upload = upload;
    }
}

void BoxesView::Event(std::size_t box, const Json& event) {
    TakeEvent(rows_[box], event);
    const bool end = event.value("event", "") == "end";
    if (end)
        for (const Json& f : event.value("files", Json::array()))
            files_.emplace_back(f.value("path", ""), f.value("state", ""));
    if (onBoard_) return Draw(false);
    if (json_) {
        Json shown = event;
        if (end) shown["event"] = "box-end";  // the command's own end comes last
        std::fprintf(stdout, "%s\n", shown.dump().c_str());
        std::fflush(stdout);
    } else if (!quiet_) {
        lines_.Event(names_[box], event);
    }
}

void BoxesView::Line(std::size_t box, const std::string& line) {
    if (!onBoard_ && !json_) std::fprintf(stderr, "%s: %s\n", names_[box].c_str(), line.c_str());
}

void BoxesView::Ended(std::size_t box) {
    StationRow& row = rows_[box];
    const BoxWorker& w = workers_[box];
    row.state = StationRow::State::Waiting;
    row.finishedAt = SteadySeconds();
    if (w.status == 2 && row.last == StationRow::Last::None) {
        row.problem = WhatItSaid(w);
    } else {
        row.last = w.status == 0 ? StationRow::Last::Done
                   : w.status > 128 ? StationRow::Last::Cancelled
                                    : StationRow::Last::Failed;
        row.verdict = WhatItSaid(w);
    }
    Draw(true);
}

void BoxesView::Finish() {
    if (!onBoard_) return;
    board_.Finish(rows_, Totals());
    SayNotes(workers_, names_);
}

StationTotals BoxesView::Totals() const {
    StationTotals t;
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        const BoxWorker& w = workers_[i];
        if (w.Running()) ++(rows_[i].state == StationRow::State::Running ? t.running : t.waiting);
        else if (w.status == 0) ++t.done;
        else if (w.status >= 0) ++t.failed;
    }
    return t;
}

void BoxesView::Draw(bool now) {
    if (onBoard_) board_.Draw(rows_, Totals(), now);
}
