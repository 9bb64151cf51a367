#include "app/cli/run/several_boxes_view.h"

#include <algorithm>

#include "app/cli/image/stored_file.h"
#include "app/cli/machine/clock.h"
#include "app/cli/machine/port_names.h"
#include "display/console/console_lines.h"
#include "display/console/terminal.h"

namespace {

// What a box said of its own, each line once: a line that several boxes said alike
// (but for their port's name) once, with how many said it. A box's last word is in
// its line of result.
void SayNotes(const std::vector<std::unique_ptr<ServedBox>>& boxes, const std::vector<std::string>& names,
              const std::vector<std::string>& lastWords) {
    std::vector<std::pair<std::string, std::vector<std::size_t>>> notes;  // in the order first said
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        for (const std::string& line : boxes[i]->voice.Lines()) {
            if (line == lastWords[i]) continue;
            const std::string alike = WithPlaceholder(line, PortBaseName(boxes[i]->port), PortPlaceholder);
            auto note = std::find_if(notes.begin(), notes.end(), [&](const auto& n) { return n.first == alike; });
            if (note == notes.end()) note = notes.insert(notes.end(), {alike, {}});
            note->second.push_back(i);
        }
    }
    for (const auto& [line, said] : notes) {
        if (said.size() == 1) {
            SayLine(names[said[0]] + ": " + WithPort(line, boxes[said[0]]->port));
            continue;
        }
        // The first box's own words, and which others said alike.
        std::string which = std::to_string(said.size() - 1) + " more";
        if (said.size() <= 4)
            for (std::size_t k = 1; k < said.size(); ++k) which += (k == 1 ? ": " : ", ") + names[said[k]];
        SayLine(names[said[0]] + ": " + WithPort(line, boxes[said[0]]->port) + " (and alike for " + which + ")");
    }
}

}  // namespace

const char* BoxResult(int status) {
    return status == 0 ? "done" : status == 2 ? "could not start" : status > 128 ? "cancelled" : "failed";
}

BoxesView::BoxesView(const std::vector<std::unique_ptr<ServedBox>>& boxes, const std::vector<std::string>& names,
                     const TransferOptions& options, bool upload, EventSink* json)
    : boxes_(boxes), names_(names), board_(names.size()), lastWord_(names.size()), drawing_(stderr),
      lines_(stdout, stderr), json_(json), onBoard_(IsTerminal(stderr) && !json && !options.quiet),
      quiet_(options.quiet) {
    for (std::size_t i = 0; i < names.size(); ++i) {
        board_[i].port = names[i];
        board_[i].upload = upload;
    }
}

std::size_t BoxesView::Index(const std::string& port) const {
    std::size_t i = 0;
    while (i < boxes_.size() && boxes_[i]->port != port) ++i;
    return i;
}

void BoxesView::Take(const ProgressEvent& event) {
    const std::size_t i = Index(event.port);
    if (i == boxes_.size()) return;
    {
        const std::lock_guard<std::mutex> lock(rows_);
        TakeEvent(board_[i], event);
        if (event.kind == ProgressEvent::Kind::BoxEnd) {
            lastWord_[i] = event.text;
            files_.insert(files_.end(), event.files.begin(), event.files.end());
        }
    }
    if (json_) json_->Take(event);
    else if (!onBoard_ && !quiet_ && event.kind != ProgressEvent::Kind::BoxEnd) lines_.Event(names_[i], event);
}

std::string BoxesView::WhatItSaid(std::size_t i) const {
    return lastWord_[i].empty() ? boxes_[i]->voice.Refusal() : lastWord_[i];
}

void BoxesView::Ended(std::size_t i) {
    const ServedBox& box = *boxes_[i];
    std::string word;
    {
        const std::lock_guard<std::mutex> lock(rows_);
        word = WhatItSaid(i);
        StationRow& row = board_[i];
        row.state = StationRow::State::Waiting;
        if (box.status == 2 && box.voice.RefusalKind() == Refusal::PortHeld) {
            row.held = true;
            row.problem = word;
        } else if (box.status == 2 && !box.voice.Refusal().empty()) {
            row.problem = word;
        } else {
            CountBox(row,
                     box.status == 0  ? StationRow::Last::Done
                     : box.status > 128 ? StationRow::Last::Cancelled
                                        : StationRow::Last::Failed,
                     word, SteadySeconds());
        }
    }
    // Without the board, what it said comes behind its port's name as it ends.
    if (!onBoard_)
        for (const std::string& line : box.voice.Lines()) SayLine(names_[i] + ": " + line);
    Draw(true);
}

StationTotals BoxesView::Totals() const {
    StationTotals t;
    for (std::size_t i = 0; i < boxes_.size(); ++i) {
        const ServedBox& box = *boxes_[i];
        if (box.Running()) ++(board_[i].state == StationRow::State::Running ? t.running : t.waiting);
        else if (board_[i].held) ++t.held;
        else if (box.status == 0) ++t.done;
        else if (box.status >= 0) ++t.failed;
    }
    return t;
}

void BoxesView::Draw(bool now) {
    if (!onBoard_) return;
    const std::lock_guard<std::mutex> lock(rows_);
    drawing_.Draw(board_, Totals(), now);
}

void BoxesView::Finish() {
    std::vector<std::string> words(boxes_.size());
    {
        const std::lock_guard<std::mutex> lock(rows_);
        if (onBoard_) drawing_.Finish(board_, Totals());
        for (std::size_t i = 0; i < boxes_.size(); ++i) words[i] = WhatItSaid(i);
    }
    if (onBoard_) SayNotes(boxes_, names_, words);
    if (quiet_) return;
    // A line a port, fitted to the terminal: its name as the board gives it, its result.
    std::size_t column = 12;
    for (const std::string& name : names_) column = std::max(column, name.size() + 1);
    const int width = static_cast<int>(column);
    const int lineWidth = IsTerminal(stderr) ? TerminalWidth(stderr) : 1 << 16;
    char line[256];
    std::snprintf(line, sizeof line, "%-*s %-15s %7s  message", width, "port", "result", "time");
    SayLine(FitToWidth(line, lineWidth));
    for (std::size_t i = 0; i < boxes_.size(); ++i) {
        const char* result = board_[i].held ? "held" : BoxResult(boxes_[i]->status);
        std::snprintf(line, sizeof line, "%-*s %-15s %6.1fs  ", width, names_[i].c_str(), result, boxes_[i]->seconds);
        SayLine(FitToWidth(line + Printable(words[i]), lineWidth));
    }
}

std::vector<std::pair<std::string, std::string>> BoxesView::Files() const {
    const std::lock_guard<std::mutex> lock(rows_);
    return files_;
}

std::string BoxesView::FirstFailure() const {
    const std::lock_guard<std::mutex> lock(rows_);
    for (std::size_t i = 0; i < boxes_.size(); ++i)
        if (boxes_[i]->status != 0) return names_[i] + " " + BoxResult(boxes_[i]->status) + ": " + WhatItSaid(i);
    return {};
}
