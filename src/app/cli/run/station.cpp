#include "app/cli/run/station.h"

#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <set>

#include "app/cli/image/stored_file.h"
#include "app/cli/machine/port_names.h"
#include "app/cli/machine/serial_ports.h"
#include "app/cli/records/transfer_log.h"
#include "app/cli/run/station_names.h"
#include "app/cli/terminal/say.h"
#include "display/console/progress_events.h"

namespace {

constexpr double ScanEvery = 1;       // seconds between looks at the ports
constexpr double RestartAfter = 1;    // a port's next session starts no sooner after its last one began
constexpr double RetryUnusable = 5;   // nor, after a port that could not be used, this soon
constexpr double UnmatchedSaidEvery = 60;  // without a board: how often "no port matches" is said again

const char* CommandName(TransferKind kind) {
    return kind == TransferKind::Download ? "download" : kind == TransferKind::Upload ? "upload" : "verify";
}


// The program's arguments for one box: without the station and its own options, the
// image named as this box's.
std::vector<std::string> BoxArguments(const std::vector<std::string>& ours, const std::string& image,
                                      const std::string& name) {
    std::vector<std::string> args;
    bool imageDone = false;
    for (std::size_t i = 0; i < ours.size(); ++i) {
        const std::string& a = ours[i];
        if (a == "station" || a == "--bell" || a.rfind("--log=", 0) == 0) continue;
        if (a == "--log") {
            ++i;  // and its value: the station keeps the log
            continue;
        }
        if (!imageDone && a == image && !name.empty()) {
            args.push_back(name);
            imageDone = true;
            continue;
        }
        args.push_back(a);
    }
    return args;
}

// Why a box's session could not start: its last line of its own.
std::string WhyNotStarted(const BoxWorker& worker) {
    if (!worker.lastWord.empty()) return worker.lastWord;
    for (auto line = worker.said.rbegin(); line != worker.said.rend(); ++line)
        if (line->rfind("kestrivane: ", 0) == 0) return line->substr(12);
    return "its session ended with status " + std::to_string(worker.status);
}

}  // namespace

std::string Station::Unmatched() const {
    if (setup_.patterns.empty()) return "a USB serial adapter";
    std::string text;
    for (const std::string& pattern : setup_.patterns) text += (text.empty() ? "'" : ", '") + Printable(pattern) + "'";
    return text;
}

void Station::SayUnmatched(bool none) {
    anyMatched_ = !none;
    if (!none || onBoard_ || setup_.options.progressJson) return;
    const double now = SteadySeconds();
    if (now - unmatchedSaid_ < UnmatchedSaidEvery) return;
    unmatchedSaid_ = now;
    Say("no port matches " + Unmatched() + " yet: plug in an adapter");
}

Station::Station(const StationSetup& setup, const volatile std::sig_atomic_t& stops)
    : setup_(setup), stops_(stops), board_(stderr), lines_(stdout, stderr),
      onBoard_(isatty(STDERR_FILENO) && !setup.options.progressJson),
      log_(setup.options.log.empty() ? "station.log" : setup.options.log), started_(SteadySeconds()) {}

std::string Station::Name(std::size_t box) const { return slots_[box].row.port; }

void Station::Scan() {
    lastScan_ = SteadySeconds();
    const std::vector<std::string> ports = MatchingPorts(setup_.patterns);
    SayUnmatched(ports.empty());
    for (StationSlot& slot : slots_) slot.present = false;
    for (const std::string& port : ports) {
        std::size_t i = 0;
        while (i < slots_.size() && slots_[i].port != port) ++i;
        if (i == slots_.size()) {
            slots_.push_back({});
            workers_.emplace_back();
            slots_[i].port = port;
            slots_[i].row.upload = setup_.kind == TransferKind::Upload;
            if (!onBoard_ && !setup_.options.progressJson) Say(Printable(port) + ": joins the station");
        }
        slots_[i].present = true;
    }
    // Each port's row by the shortest name that tells it from the others.
    std::vector<std::string> paths;
    for (const StationSlot& slot : slots_) paths.push_back(slot.port);
    const std::vector<std::string> names = ShortPortNames(paths);
    for (std::size_t i = 0; i < slots_.size(); ++i) slots_[i].row.port = Printable(names[i]);
    for (std::size_t i = 0; i < slots_.size(); ++i) {
        StationRow& row = slots_[i].row;
        if (!slots_[i].present && row.state != StationRow::State::Gone && !workers_[i].Running()) {
            row.state = StationRow::State::Gone;
            if (!onBoard_ && !setup_.options.progressJson) Say(Printable(slots_[i].port) + ": gone");
        } else if (slots_[i].present && row.state == StationRow::State::Gone) {
            row.state = StationRow::State::Waiting;
            slots_[i].nextStart = 0;  // back: served at once
            if (!onBoard_ && !setup_.options.progressJson) Say(Printable(slots_[i].port) + ": back");
        }
    }
}

void Station::StartSessions() {
    std::set<std::string> taken;
    for (std::size_t i = 0; i < slots_.size(); ++i)
        if (workers_[i].Running()) taken.insert(slots_[i].image);
    const double now = SteadySeconds();
    for (std::size_t i = 0; i < slots_.size(); ++i) {
        StationSlot& slot = slots_[i];
        if (!slot.present || workers_[i].Running() || now < slot.nextStart) continue;
        // A port another program holds (another station's too) waits until it is free.
        const std::string holders = ProgramsHolding(slot.port);
        slot.row.held = !holders.empty();
        if (slot.row.held) {
            slot.row.problem = "by " + holders;
            slot.nextStart = now + RetryUnusable;
            continue;
        }
        slot.image = setup_.kind == TransferKind::Download ? NextImageName(setup_.image, slot.port, taken) : "";
        if (setup_.kind == TransferKind::Download && slot.image.empty()) continue;  // a {time} not free yet
        taken.insert(slot.image);
        slot.began = false;
        slot.files.clear();
        slot.nextStart = now + RestartAfter;
        workers_[i] = BoxWorker{};
        workers_[i].port = slot.port;
        const auto args = WorkerArguments(BoxArguments(setup_.arguments, setup_.image, slot.image), slot.port,
                                          setup_.kind != TransferKind::Verify);
        if (!StartWorker(workers_[i], args)) slot.nextStart = now + RetryUnusable;
        slot.row.state = StationRow::State::Waiting;
    }
}

void Station::Event(std::size_t box, const Json& event) {
    StationSlot& slot = slots_[box];
    StationRow& row = slot.row;
    const std::string kind = event.value("event", "");
    if (TakeEvent(row, event) && !slot.began) {
        slot.began = true;  // the box answered: from here on it is a box
        slot.startedUtc = UtcNow();
    }
    if (kind == "end") {
        slot.files.clear();
        for (const Json& f : event.value("files", Json::array()))
            slot.files.emplace_back(f.value("path", ""), f.value("state", ""));
    }
    if (!slot.began) return;  // a wait for a box says nothing but on the board
    if (setup_.options.progressJson) {
        Json shown = event;
        if (kind == "end") shown["event"] = "box-end";  // the station's own end comes last
        std::fprintf(stdout, "%s\n", shown.dump().c_str());
        std::fflush(stdout);
    } else if (!onBoard_ && kind != "end") {
        lines_.Event(Name(box), event);
    }
}

void Station::BoxEnded(std::size_t box) {
    StationSlot& slot = slots_[box];
    const BoxWorker& worker = workers_[box];
    StationRow& row = slot.row;
    if (!slot.began) {
        // No box came: the port waits on, or is gone; one that could not be used is
        // tried again a little later, its reason on its row.
        row.state = slot.present ? StationRow::State::Waiting : StationRow::State::Gone;
        row.problem.clear();
        if (worker.status == 2 && slot.present) {
            row.problem = WhyNotStarted(worker);
            slot.nextStart = SteadySeconds() + RetryUnusable;
            lastScan_ = -ScanEvery;  // the port may have gone: looked at again at once
        }
        return;
    }
    const bool cancelled = worker.outcome == "cancelled" || worker.status > 128;
    const std::string result = worker.status == 0 ? "done" : cancelled ? "cancelled" : "failed";
    row.state = slot.present ? StationRow::State::Waiting : StationRow::State::Gone;
    row.verdict = worker.lastWord.empty() ? "the box's session ended with status " + std::to_string(worker.status)
                                          : worker.lastWord;
    row.finishedAt = SteadySeconds();
    if (worker.status == 0) {
        row.last = StationRow::Last::Done;
        ++row.done;
        ++done_;
    } else if (cancelled) {
        row.last = StationRow::Last::Cancelled;
        ++cutShort_;
    } else {
        row.last = StationRow::Last::Failed;
        ++row.failed;
        ++failed_;
    }
    if (setup_.bell) std::fputc('\a', stderr);
    TransferRecord record(CommandName(setup_.kind), slot.image.empty() ? setup_.image : slot.image, {});
    for (const auto& [path, state] : slot.files) record.files.push_back({AnalyseStoredFile(path), state});
    record.port = slot.port;
    record.status = worker.status;
    record.outcome = worker.outcome;
    record.message = row.verdict;
    record.started = slot.startedUtc;
    record.result = result;
    std::string why;
    if (!AppendToLog(log_, record, &why)) {
        Say(why + "; the log misses " + Printable(slot.port) + "'s box");
        logFailed_ = true;
    }
    if (onBoard_ || setup_.options.progressJson) return;
    for (const std::string& line : worker.said) std::fprintf(stderr, "%s: %s\n", Name(box).c_str(), line.c_str());
    std::fprintf(stderr, "%s: %s: %s\n", Name(box).c_str(), result.c_str(), Printable(row.verdict).c_str());
}

StationTotals Station::Totals() const {
    StationTotals t;
    t.done = done_;
    t.failed = failed_;
    for (std::size_t i = 0; i < slots_.size(); ++i) {
        if (slots_[i].row.state == StationRow::State::Gone) ++t.gone;
        else if (slots_[i].began && workers_[i].Running()) ++t.running;
        else ++t.waiting;
    }
    for (const StationSlot& slot : slots_) t.held += slot.row.held ? 1 : 0;
    if (!anyMatched_) t.unmatched = Unmatched();
    const double hours = (SteadySeconds() - started_) / 3600;
    t.boxesPerHour = hours > 0 ? done_ / hours : 0;
    return t;
}

void Station::Show(bool last) {
    if (!onBoard_) return;
    std::vector<StationRow> rows;
    for (const StationSlot& slot : slots_) rows.push_back(slot.row);
    if (last) board_.Finish(rows, Totals());
    else board_.Draw(rows, Totals());
}

int Station::Run() {
    Say("station: a line for every box in " + Printable(log_) + "; Ctrl-C ends it");
    bool stopping = false;
    for (;;) {
        if (stops_ > 0 && !stopping) {
            stopping = true;
            SignalWorkers(workers_, SIGINT);  // each box's session ends at its next check, its port closed
        } else if (stops_ > 1) {
            SignalWorkers(workers_, SIGINT);  // and now at once
        }
        if (!stopping && SteadySeconds() - lastScan_ >= ScanEvery) Scan();
        if (!stopping) StartSessions();
        const bool running = PollWorkers(workers_, 100, *this);
        for (std::size_t box : ended_) BoxEnded(box);
        ended_.clear();
        Show();
        if (stopping && !running) break;
    }
    Show(true);
    const StationTotals t = Totals();
    Say("the station ends: " + std::to_string(t.done) + " boxes done, " + std::to_string(t.failed) + " failed, " +
        std::to_string(cutShort_) + " cut short");
    // Ports that never served a box because they could not be used.
    std::string unserved;
    int count = 0;
    for (const StationSlot& slot : slots_) {
        if (slot.row.done + slot.row.failed > 0 || slot.row.problem.empty()) continue;
        ++count;
        unserved += (unserved.empty() ? "" : "; ") + slot.row.port + " (" + (slot.row.held ? "held " : "") +
                    slot.row.problem + ")";
    }
    if (count) Say(std::to_string(count) + (count == 1 ? " port was" : " ports were") + " never served: " + unserved);
    const int status = failed_ > 0 || cutShort_ > 0 || logFailed_ || count > 0 ? 1 : 0;
    if (setup_.options.progressJson)
        ProgressEvents(stdout, "").End(status, status == 0 ? "done" : "failed",
                                       std::to_string(t.done) + " boxes done, " + std::to_string(t.failed) +
                                           " failed, " + std::to_string(cutShort_) + " cut short",
                                       {});
    return status;
}
