// Several boxes served at once, as the user sees them: on a terminal the station's
// board (the failed boxes kept in view, the rest folding, totals), then the boxes'
// own lines, each said once, and a line of result a box; without a terminal, each
// box's events as plain lines behind its port's name; with --progress=json its events
// as they come (its end as "box-end"). The boxes' events come here from their own
// threads.
#pragma once

#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "app/cli/options/transfer_options.h"
#include "app/cli/run/box_threads.h"
#include "app/cli/terminal/event_lines.h"
#include "app/cli/terminal/station_board.h"
#include "display/console/progress_events.h"

// "done", "could not start", "cancelled", "failed".
const char* BoxResult(int status);

class BoxesView final : public EventSink {
public:
    // `names`: the boxes' ports as the boards name them, by the order of `boxes`.
    // `json`: where events go as they come (--progress=json); none: the board or lines.
    BoxesView(const std::vector<std::unique_ptr<ServedBox>>& boxes, const std::vector<std::string>& names,
              const TransferOptions& options, bool upload, EventSink* json);

    // A box's event, from its thread.
    void Take(const ProgressEvent& event) override;
    // Box `i` has ended.
    void Ended(std::size_t i);
    void Draw(bool now = false);
    // The board as it stands; below it what the boxes said, each line once, and a
    // line of result a box.
    void Finish();
    // The boxes' files, with their states, as their ends said them, and the first end
    // that was not done ("" when all were).
    std::vector<std::pair<std::string, std::string>> Files() const;
    std::string FirstFailure() const;

private:
    std::size_t Index(const std::string& port) const;
    StationTotals Totals() const;
    std::string WhatItSaid(std::size_t i) const;

    const std::vector<std::unique_ptr<ServedBox>>& boxes_;
    const std::vector<std::string>& names_;
    mutable std::mutex rows_;  // what the boxes' threads tell
    std::vector<StationRow> board_;
    std::vector<std::string> lastWord_;
    std::vector<std::pair<std::string, std::string>> files_;
    StationBoard drawing_;
    EventLines lines_;
    EventSink* json_;
    bool onBoard_, quiet_;
};
