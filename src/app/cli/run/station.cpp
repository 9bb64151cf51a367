#include "app/cli/run/station.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

#include "app/cli/machine/clock.h"

#include "app/cli/image/image_replace.h"
#include "app/cli/image/stored_file.h"
#include "app/cli/machine/port_names.h"
#include "app/cli/machine/serial_ports.h"
#include "app/cli/records/transfer_log.h"
#include "app/cli/run/image_checks.h"
#include "app/cli/run/station_names.h"
#include "app/cli/run/signals.h"
#include "app/cli/terminal/say.h"
#include "display/console/terminal.h"

namespace {

constexpr double ScanEvery = 1;       // seconds between looks at the ports
constexpr double RestartAfter = 1;    // a port's next session starts no sooner after its last one began
constexpr double RetryUnusable = 5;   // nor, after a port that could not be used, this soon

const char* CommandName(TransferKind kind) {
    return kind == TransferKind::Download ? "download" : kind == TransferKind::Upload ? "upload" : "verify";
}

// Why a box's session could not start: its last word, or why its command refused.
std::string WhyNotStarted(const StationSlot& slot) {
    if (!slot.lastWord.empty()) return slot.lastWord;
    const std::string refusal = slot.box->voice.Refusal();
    return refusal.empty() ? "its session ended with status " + std::to_string(slot.box->status) : refusal;
}

}  // namespace

Station::Station(const StationSetup& setup)
    : setup_(setup), board_(stderr), lines_(stdout, stderr), json_(stdout),
      onBoard_(IsTerminal(stderr) && !setup.options.progressJson),
      log_(setup.options.log), started_(SteadySeconds()) {}

void Station::Scan() {
    lastScan_ = SteadySeconds();
    std::vector<std::string> patternsUnmatched;
    const std::vector<std::string> ports = MatchingPorts(setup_.patterns, &patternsUnmatched);
    std::vector<std::string> unmatched;
    if (setup_.patterns.empty() && ports.empty()) unmatched.push_back("a USB serial adapter");
    for (const std::string& pattern : patternsUnmatched) unmatched.push_back("'" + Printable(pattern) + "'");
    SayUnmatched(unmatched);
    const std::lock_guard<std::mutex> lock(slotsTold_);
    for (auto& slot : slots_) slot->present = false;
    for (const std::string& port : ports) {
        std::size_t i = 0;
        while (i < slots_.size() && slots_[i]->port != port) ++i;
        if (i == slots_.size()) {
            slots_.push_back(std::make_unique<StationSlot>());
            slots_[i]->port = port;
            slots_[i]->row.upload = setup_.kind == TransferKind::Upload;
            TellPort(port, "joined");
        }
        slots_[i]->present = true;
    }
    // Each port's row by the shortest name that tells it from the others.
    std::vector<std::string> paths;
    for (const auto& slot : slots_) paths.push_back(slot->port);
    const std::vector<std::string> names = ShortPortNames(paths);
    for (std::size_t i = 0; i < slots_.size(); ++i) slots_[i]->row.port = Printable(names[i]);
    for (auto& slot : slots_) {
        StationRow& row = slot->row;
        const bool running = slot->box && slot->box->Running();
        // A port gone while its session waits for a box: that session stops now.
        if (!slot->present && running && !slot->began && slot->job) slot->job->stop->Ask("its port went away");
        if (!slot->present && row.state != StationRow::State::Gone && !running) {
            row.state = StationRow::State::Gone;
            TellPort(slot->port, "gone");
        } else if (slot->present && row.state == StationRow::State::Gone) {
            row.state = StationRow::State::Waiting;
            slot->nextStart = 0;  // back: served at once
            TellPort(slot->port, "back");
        }
    }
}

void Station::StartSessions() {
    std::set<std::string> taken;
    for (const auto& slot : slots_)
        if (slot->box && slot->box->Running()) taken.insert(slot->image);
    const double now = SteadySeconds();
    for (auto& owned : slots_) {
        StationSlot& slot = *owned;
        if (!slot.present || (slot.box && slot.box->Running()) || now < slot.nextStart) continue;
        // A port another program holds (another station's too) waits until it is free.
        const std::string holders = ProgramsHolding(slot.port);
        if (!holders.empty()) {
            const std::lock_guard<std::mutex> lock(slotsTold_);
            if (!slot.row.held) TellPort(slot.port, "held", holders);
            slot.row.held = true;
            slot.row.problem = "by " + holders;
            slot.nextStart = now + RetryUnusable;
            continue;
        }
        auto lock = std::make_shared<ImageLock>();  // the box's name's, chosen under it and held by its download
        slot.image = setup_.kind == TransferKind::Download ? NextImageName(setup_.image, slot.port, taken, lock.get()) : "";
        if (setup_.kind == TransferKind::Download && slot.image.empty()) continue;  // a {time} not free yet
        taken.insert(slot.image);
        {
            const std::lock_guard<std::mutex> lock(slotsTold_);
            slot.row.held = false;
            slot.row.state = StationRow::State::Waiting;
            slot.began = false;
            slot.files.clear();
            slot.sections.clear();
            slot.lastWord.clear();
            slot.outcome = OutcomeKind::Done;
        }
        slot.nextStart = now + RestartAfter;
        // The box's session on a thread of its own; the station keeps the log.
        slot.box = std::make_unique<ServedBox>();
        slot.box->port = slot.port;
        TransferOptions options = BoxOptions(setup_.options, slot.port, setup_.kind);
        options.log.clear();
        slot.job = std::make_unique<BoxJob>(BoxJob{options, slot.box->voice, this, true, lock->Held() ? lock : nullptr});
        const std::string image = slot.image.empty() ? setup_.image : slot.image;
        slot.box->Start([this, job = slot.job.get(), image] { return setup_.command(setup_.kind, image, *job); });
    }
}

void Station::Take(const ProgressEvent& event) {
    std::string name;
    {
        const std::lock_guard<std::mutex> lock(slotsTold_);
        auto found = std::find_if(slots_.begin(), slots_.end(), [&](const auto& s) { return s->port == event.port; });
        if (found == slots_.end()) return;
        StationSlot& slot = **found;
        if (TakeEvent(slot.row, event) && !slot.began) {
            slot.began = true;  // the box answered: from here on it is a box
            slot.startedUtc = UtcNow();
        }
        if (event.kind == ProgressEvent::Kind::BoxEnd) {
            slot.files = event.files;
            slot.sections = event.sections;
            slot.lastWord = event.text;
            slot.outcome = event.outcome;
        }
        if (!slot.began) return;  // a wait for a box says nothing but on the board
        name = slot.row.port;
    }
    if (setup_.options.progressJson) json_.Take(event);  // its end as "box-end": the station's own comes last
    else if (!onBoard_ && event.kind != ProgressEvent::Kind::BoxEnd) lines_.Event(name, event);
}

void Station::BoxEnded(StationSlot& slot) {
    const ServedBox& box = *slot.box;
    std::unique_lock<std::mutex> lock(slotsTold_);
    StationRow& row = slot.row;
    if (!slot.began) {
        // No box came: the port waits on, or is gone; one that could not be used is
        // tried again a little later, its reason on its row.
        row.state = slot.present ? StationRow::State::Waiting : StationRow::State::Gone;
        row.problem.clear();
        if (box.status == 2 && slot.present) {
            row.problem = WhyNotStarted(slot);
            slot.nextStart = SteadySeconds() + RetryUnusable;
            lastScan_ = -ScanEvery;  // the port may have gone: looked at again at once
        }
        return;
    }
    const std::string result = Count(slot, box.status);
    CompareWithBefore(slot);
    // A port's failed boxes keep their files until its next failure: a day of a faulty
    // port leaves one box's, not hundreds.
    std::vector<std::string> removed;
    if (row.last == StationRow::Last::Failed && setup_.kind == TransferKind::Download &&
        !FilesOnDisk(NamesOf(slot.image).IncompleteFiles(), SystemDisk()).empty()) {
        if (!slot.keptFailure.empty() && slot.keptFailure != slot.image) removed = RemoveFailedBox(slot.keptFailure);
        slot.keptFailure = slot.image;
    }
    const std::string name = row.port, verdict = row.verdict;
    TransferRecord record(CommandName(setup_.kind), slot.image.empty() ? setup_.image : slot.image, {});
    for (const auto& [path, state] : slot.files) record.files.push_back({AnalyseStoredFile(path), state});
    record.sections = slot.sections;
    record.removed = removed;
    record.port = slot.port;
    record.status = box.status;
    record.outcome = OutcomeName(slot.outcome);
    record.message = verdict;
    record.started = slot.startedUtc;
    record.result = result;
    lock.unlock();
    if (setup_.bell) std::fputc('\a', stderr);
    std::string why;
    if (!AppendToLog(log_, record, &why)) {
        Say(why + "; the log misses " + Printable(slot.port) + "'s box");
        logFailed_ = true;
    }
    if (onBoard_ || setup_.options.progressJson) return;
    for (const std::string& line : box.voice.Lines()) SayLine(name + ": " + line);
    SayLine(name + ": " + result + ": " + Printable(verdict));
    if (!removed.empty()) SayLine(name + ": removed what its previous failed box left: " + Listed(removed));
}

std::string Station::Count(StationSlot& slot, int status) {
    StationRow& row = slot.row;
    const bool cancelled = slot.outcome == OutcomeKind::Cancelled || status > 128;
    row.state = slot.present ? StationRow::State::Waiting : StationRow::State::Gone;
    const std::string verdict =
        slot.lastWord.empty() ? "the box's session ended with status " + std::to_string(status) : slot.lastWord;
    const StationRow::Last how = status == 0 ? StationRow::Last::Done
                                 : cancelled ? StationRow::Last::Cancelled
                                             : StationRow::Last::Failed;
    CountBox(row, how, verdict, SteadySeconds());
    (how == StationRow::Last::Done ? done_ : how == StationRow::Last::Failed ? failed_ : cutShort_)++;
    return how == StationRow::Last::Done ? "done" : how == StationRow::Last::Failed ? "failed" : "cancelled";
}

StationTotals Station::Totals() const {
    StationTotals t;
    t.done = done_;
    t.failed = failed_;
    for (const auto& slot : slots_) {  // each port once
        if (slot->row.state == StationRow::State::Gone) ++t.gone;
        else if (slot->began && slot->box && slot->box->Running()) ++t.running;
        else if (slot->row.held) ++t.held;
        else ++t.waiting;
    }
    t.unmatched = Unmatched();
    const double hours = (SteadySeconds() - started_) / 3600;
    t.boxesPerHour = hours > 0 ? done_ / hours : 0;
    return t;
}

void Station::Show(bool last) {
    if (!onBoard_) return;
    const std::lock_guard<std::mutex> lock(slotsTold_);
    std::vector<StationRow> rows;
    for (const auto& slot : slots_) rows.push_back(slot->row);
    if (last) board_.Finish(rows, Totals());
    else board_.Draw(rows, Totals());
}

int Station::Run() {
    Say("station: a line for every box in " + Printable(log_) + "; Ctrl-C ends it");
    // The first Ctrl-C ends each box's session at its next check, its port closed.
    for (;;) {
        const bool stopping = StopsAsked() > 0;
        if (stopping) board_.Stopping();
        if (!stopping && SteadySeconds() - lastScan_ >= ScanEvery) Scan();
        if (!stopping) StartSessions();
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        bool running = false;
        for (auto& slot : slots_) {
            if (!slot->box) continue;
            if (slot->box->Reap()) BoxEnded(*slot);
            running = running || slot->box->Running();
        }
        Show();
        if (stopping && !running) break;
    }
    return End();
}
