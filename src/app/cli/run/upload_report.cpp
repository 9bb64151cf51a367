#include <algorithm>

#include "app/cli/run/transfer_report.h"
#include "app/cli/terminal/say.h"
#include "core/packet.h"
#include "display/console/console_lines.h"

namespace {

// The section a file of the plan went as (none: the URT file).
std::optional<SectionKind> SectionOf(const UploadPlan& plan, const StoredFile& f) {
    return plan.urt ? std::nullopt : f.section;
}

// Data packets the file sends: those it holds, up to the count announced.
int Held(const StoredFile& f) { return static_cast<int>(std::min<std::size_t>(f.packets.size(), f.announced)); }

// After an upload that completed: did the box take what the files hold, and ask for
// it? Makes the outcome a failure when not.
std::vector<LoggedFile> CompletedUpload(const UploadPlan& plan, TransferOutcome& outcome,
                                        const TransferRecorder& recorder, bool quiet, Voice& voice) {
    std::vector<LoggedFile> files;
    double bytes = 0;
    std::string sent;
    for (const StoredFile& f : plan.files) {
        const SectionCounts& c = outcome.CountsOf(SectionOf(plan, f));
        files.push_back({f, c.begun ? "sent" : "not sent"});
        if (!c.begun) continue;
        const std::string name = StoredSectionName(f);
        bytes += static_cast<double>(f.headerSize) + c.through * double{DataPacketSize};
        sent += (sent.empty() ? "" : ", ") + Printable(f.path);
        if (c.through < Held(f)) {
            files.back().state = "partly sent";
            const std::string said = name + ": the box took " + std::to_string(c.through) + " of the " +
                                     std::to_string(Held(f)) + " packets in " + Printable(f.path) +
                                     ", then ended the section";
            voice.Say(said);
            FailAfter(outcome, OutcomeKind::SectionEndedEarly, said);
            outcome.section = f.section;
            continue;
        }
        if (c.through > Held(f)) {
            const int from = Held(f) + 1;
            if (!quiet)
                voice.Say(name + ": " + (from == c.through ? "packet " + std::to_string(from)
                                                       : "packets " + std::to_string(from) + " to " +
                                                             std::to_string(c.through)) +
                    ", beyond what " + Printable(f.path) +
                    " holds, went as empty packets (0xFF): the box asks for its whole block of 16");
        }
        // Packets that went out only because the box stayed silent for a second: once
        // now and then a lost request; to the end of the section, a box that stopped
        // listening.
        std::size_t tail = 0;
        while (tail < c.unasked.size() &&
               c.unasked[c.unasked.size() - 1 - tail] == c.through - static_cast<int>(tail))
            ++tail;
        if (tail < 2) tail = 0;  // a single one, at the end too, is only a warning
        if (tail > 0) {
            const int from = c.through - static_cast<int>(tail) + 1;
            const std::string said = name + ": the box went silent after packet " + std::to_string(from - 1) +
                                     "; packets " + std::to_string(from) + " to " + std::to_string(c.through) +
                                     " went out unasked, a silent second each, and the box may not hold them";
            voice.Say(said);
            files.back().state = "sent unasked";
            FailAfter(outcome, OutcomeKind::SectionEndedEarly, said);
        }
        for (std::size_t i = 0; i + tail < c.unasked.size(); ++i)
            voice.Say("warning: " + name + ": packet " + std::to_string(c.unasked[i]) +
                " went out unasked after a silent second (the box's request may have been lost)");
    }
    if (outcome.Ok() && !quiet) voice.Say(SummaryLine(bytes, recorder.Seconds(), "from " + sent));
    return files;
}

}  // namespace

std::vector<LoggedFile> ReportUpload(const UploadPlan& plan, TransferOutcome& outcome,
                                     const TransferRecorder& recorder, bool quiet, Voice& voice) {
    if (outcome.Ok()) return CompletedUpload(plan, outcome, recorder, quiet, voice);
    std::vector<LoggedFile> files;
    if (outcome.kind != OutcomeKind::Cancelled && outcome.kind != OutcomeKind::PacketRefused) voice.Say(outcome.sentence);
    std::vector<std::string> whole, part;
    for (const StoredFile& f : plan.files) {
        const std::optional<SectionKind> section = SectionOf(plan, f);
        const SectionCounts& c = outcome.CountsOf(section);
        const std::string name = StoredSectionName(f);
        files.push_back({f, "not sent"});
        if (!c.begun) {
            if (outcome.kind != OutcomeKind::PortUnusable) voice.Say(name + ": not sent");
            continue;
        }
        const bool refused = outcome.kind == OutcomeKind::PacketRefused && section == outcome.section;
        if (refused && c.through > 0 && static_cast<std::size_t>(c.through) <= f.packets.size()) {
            outcome.file = f.path;
            outcome.offset = static_cast<long long>(f.packets[static_cast<std::size_t>(c.through) - 1].offset);
            outcome.sentence = name + ": the box refused data packet " + std::to_string(c.through) + " (" +
                               Printable(f.path) + ", offset " + std::to_string(outcome.offset) + ")";
        }
        if (refused) {
            voice.Say(outcome.sentence + "; the box holds this section only in part");
            files.back().state = "refused";
            part.push_back(name);
        } else if (c.through >= Held(f)) {
            voice.Say(name + ": sent, " + std::to_string(c.through) + " data packets");
            files.back().state = "sent";
            whole.push_back(name);
        } else {
            voice.Say(name + ": partly sent, " + std::to_string(c.through) + " of " + std::to_string(Held(f)) +
                " data packets");
            files.back().state = "partly sent";
            part.push_back(name);
        }
    }
    // What the box holds now, and what to do.
    if (outcome.kind == OutcomeKind::PortUnusable) return files;
    if (whole.empty() && part.empty()) {
        voice.Say("nothing reached the box: it holds what it held before");
    } else {
        std::string holds = "the box holds ";
        if (!whole.empty()) holds += JoinedWithAnd(whole) + " as sent";
        if (!whole.empty() && !part.empty()) holds += ", and ";
        if (!part.empty()) holds += JoinedWithAnd(part) + " only in part";
        voice.Say(holds + ": upload again before switching it on normally");
    }
    return files;
}
