// Several boxes served at once, as the user sees them: on a terminal the station's
// board (the failed boxes kept in view, the rest folding, totals), then the boxes'
// own lines each said once and a line of result a box; without a terminal, each
// box's events as plain lines behind its port's name; with --progress=json its events
// as they come, its end as "box-end".
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "app/cli/options/transfer_options.h"
#include "app/cli/run/box_workers.h"
#include "app/cli/terminal/event_lines.h"
#include "app/cli/terminal/station_board.h"

// A box's word on its transfer: its end event's message; else (it ended without one)
// its last line of its own.
std::string WhatItSaid(const BoxWorker& w);
// "done", "could not start", "cancelled", "failed".
const char* BoxResult(int status);
// One line a box: port, result, time, message.
void SayResults(const std::vector<BoxWorker>& workers, const std::vector<std::string>& names);

// What the workers say goes to the board on a terminal (a station's, the boxes served
// once), otherwise behind each port's name; JSON events as they are (they carry their
// port), each box's end as its "box-end".
class BoxesView final : public WorkerListener {
public:
    BoxesView(const std::vector<BoxWorker>& workers, const std::vector<std::string>& names, const TransferOptions& options,
              bool upload);

    void Event(std::size_t box, const Json& event) override;
    void Line(std::size_t box, const std::string& line) override;
    void Ended(std::size_t box) override;
    void Start() { Draw(true); }
    void Tick() { Draw(false); }
    // The board as it stands; below it what the workers said, each line once.
    void Finish();
    // The boxes' files, with their states, as their ends said them.
    const std::vector<std::pair<std::string, std::string>>& Files() const { return files_; }

private:
    StationTotals Totals() const;
    void Draw(bool now);

    const std::vector<BoxWorker>& workers_;
    const std::vector<std::string>& names_;
    std::vector<StationRow> rows_;
    StationBoard board_;
    EventLines lines_;
    bool json_, onBoard_, quiet_;
    std::vector<std::pair<std::string, std::string>> files_;
};
