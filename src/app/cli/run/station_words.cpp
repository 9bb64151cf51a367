// What the station says besides its board: a port's change of state, the patterns that
// match no port, each box against the port's box before, and its end (every port that
// had failures with its tally and last cause, those cut short, those never served and
// the patterns that never matched a port; the same in the JSON end).
#include "app/cli/run/station.h"

#include <algorithm>

#include "app/cli/image/stored_file.h"
#include "app/cli/machine/clock.h"
#include "app/cli/machine/port_names.h"
#include "app/cli/terminal/say.h"

namespace {

constexpr double UnmatchedSaidEvery = 60;  // without a board: how often "no port matches" is said again

}  // namespace

std::string Station::Unmatched() const {
    std::string text;
    for (const std::string& pattern : unmatched_) text += (text.empty() ? "" : ", ") + pattern;
    return text;
}

void Station::SayUnmatched(const std::vector<std::string>& unmatched) {
    for (const std::string& pattern : unmatched) {
        if (std::find(unmatched_.begin(), unmatched_.end(), pattern) != unmatched_.end()) continue;
        if (setup_.options.progressJson) {
            ProgressEvent e;
            e.kind = ProgressEvent::Kind::Unmatched;
            e.text = pattern;
            json_.Take(e);
        }
        if (std::find(everUnmatched_.begin(), everUnmatched_.end(), pattern) == everUnmatched_.end())
            everUnmatched_.push_back(pattern);
    }
    unmatched_ = unmatched;
    if (unmatched.empty() || onBoard_ || setup_.options.progressJson) return;
    const double now = SteadySeconds();
    if (now - unmatchedSaid_ < UnmatchedSaidEvery) return;
    unmatchedSaid_ = now;
    Say("no port matches " + Unmatched() + " yet: plug in an adapter");
}

void Station::TellPort(const std::string& port, const char* state, const std::string& by) {
    if (!setup_.options.progressJson) {
        const std::string said = std::string(state) == "joined" ? "joins the station" : state;
        if (!onBoard_) Say(Printable(port) + ": " + said + (by.empty() ? "" : " by " + by));
        return;
    }
    ProgressEvent e;
    e.kind = ProgressEvent::Kind::Port;
    e.port = port;
    e.text = state;
    e.by = by;
    json_.Take(e);
}


void Station::CompareWithBefore(StationSlot& slot) {
    std::string fewer;
    for (const SectionTally& t : slot.sections) {
        if (!t.section) continue;
        int& before = slot.before[static_cast<std::size_t>(SectionIndex(*t.section))];
        if (before >= 0 && t.packets < before)
            fewer += (fewer.empty() ? "" : ", ") + std::string(SectionName(*t.section)) + " " +
                     std::to_string(t.packets) + " of " + std::to_string(t.announced) + " (the box before: " +
                     std::to_string(before) + ")";
        before = t.packets;
    }
    slot.row.shortOfBefore = fewer;
}

int Station::End() {
    Show(true);
    const StationTotals t = Totals();
    const std::string tally = std::to_string(t.done) + " boxes done, " + std::to_string(t.failed) + " failed, " +
                              std::to_string(cutShort_) + " cut short";
    Say("the station ends: " + tally);
    std::vector<const StationSlot*> slots;
    for (const auto& slot : slots_) slots.push_back(slot.get());
    std::sort(slots.begin(), slots.end(),
              [](const StationSlot* a, const StationSlot* b) { return NaturalLess(a->row.port, b->row.port); });
    std::vector<PortTally> ports;
    for (const StationSlot* slot : slots) {
        const StationRow& row = slot->row;
        PortTally p{slot->port, row.done, row.failed, row.cutShort, row.lastFailure, {}};
        if (row.done + row.failed + row.cutShort == 0) p.neverServed = row.problem.empty() ? "no box came" : row.problem;
        ports.push_back(p);
    }
    // What needs a person: every port that had failures, then those cut short.
    for (const StationSlot* slot : slots)
        if (slot->row.failed > 0) Say(slot->row.port + ": " + FailureTally(slot->row));
    for (const StationSlot* slot : slots)
        if (slot->row.cutShort > 0 && slot->row.failed == 0)
            Say(slot->row.port + ": cut short (" + std::to_string(slot->row.cutShort) + " of " +
                std::to_string(slot->row.done + slot->row.cutShort) + " boxes): " + slot->row.verdict);
    // Ports that never served a box because they could not be used.
    std::string unserved;
    int count = 0;
    for (const StationSlot* slot : slots) {
        const StationRow& row = slot->row;
        if (row.done + row.failed + row.cutShort > 0 || row.problem.empty()) continue;
        ++count;
        unserved += (unserved.empty() ? "" : "; ") + row.port + " (" + (row.held ? "held " : "") + row.problem + ")";
    }
    if (count) Say(std::to_string(count) + (count == 1 ? " port was" : " ports were") + " never served: " + unserved);
    for (const std::string& pattern : everUnmatched_)
        if (std::find(unmatched_.begin(), unmatched_.end(), pattern) != unmatched_.end())
            Say("no port matched " + pattern);
    const int status = failed_ > 0 || cutShort_ > 0 || logFailed_ || count > 0 ? 1 : 0;
    if (setup_.options.progressJson) {
        ProgressEvent end = EndEvent(status, status == 0 ? OutcomeKind::Done : OutcomeKind::Failed, tally, {});
        end.ports = ports;
        end.unmatched = unmatched_;
        json_.Take(end);
    }
    return status;
}
