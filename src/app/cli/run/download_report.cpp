#include <cmath>
#include <cstdio>

#include "app/cli/image/image_replace.h"
#include "app/cli/run/transfer_report.h"
#include "app/cli/terminal/say.h"

namespace {

// The section files that stand under `sections`, read as they stand, each with its
// state: "complete", or "incomplete" (fewer packets than announced, or damaged). In
// an image that came down whole a section the box ended early is complete, and so is
// one the session had ended before it stopped (`session`).
std::vector<LoggedFile> FilesOf(const std::array<std::string, SectionCount>& sections, bool cameDownWhole,
                                const SessionOutcome* session = nullptr) {
    std::vector<LoggedFile> files;
    for (SectionKind kind : AllSections) {
        StoredFile f = AnalyseStoredFile(sections[static_cast<std::size_t>(SectionIndex(kind))]);
        if (!f.present) continue;
        const bool ended = cameDownWhole || (session && session->SectionEnded(kind));
        const bool whole = f.headerUsable && (f.packets.size() >= f.announced || ended) && f.problems.empty();
        files.push_back({std::move(f), whole ? "complete" : "incomplete"});
    }
    return files;
}

// What stands under the name asked for when the download did not take it.
std::string AsItWas(const DownloadPlace& place) {
    const std::string image = Printable(place.names.image);
    return place.earlier ? image + " is as it was" : "nothing was written under " + image;
}

// A download that does not take its name: where what came down lies.
std::vector<LoggedFile> KeepIncomplete(const DownloadPlace& place, const SessionOutcome& outcome, Voice& voice) {
    std::vector<LoggedFile> files = FilesOf(place.names.incompleteSections, false, &outcome);
    for (const LoggedFile& f : files)
        voice.Say(Printable(f.file.path) + ": " + f.state + ", " +
            (!f.file.headerUsable ? std::string("without a whole header packet")
                                  : std::to_string(f.file.packets.size()) +
                                        (f.state == "complete" ? "" : " of " + std::to_string(f.file.announced)) +
                                        " data packets"));
    if (files.empty()) {
        SystemDisk().Remove(place.names.incomplete);  // an index file of nothing
        voice.Say(AsItWas(place) + "; no section file was written");
    } else {
        voice.Say(AsItWas(place) + "; what came down stays under " + Printable(place.names.incomplete) +
            " and its section files");
    }
    return files;
}

// A whole image that could not take its name: where it waits, and what comes of it.
std::vector<LoggedFile> KeepWaiting(const DownloadPlace& place, const Placement& placement, TransferOutcome& outcome,
                                    Voice& voice) {
    voice.Say(placement.why);
    const std::string incomplete = Printable(place.names.incomplete);
    if (SystemDisk().Exists(place.names.record))
        voice.Say(AsItWas(place) + "; the new image waits whole under " + incomplete +
            " and its section files (the next download of " + Printable(place.names.image) +
            " says how to keep it or drop it)");
    else
        voice.Say(AsItWas(place) + "; the new image stands whole under " + incomplete +
            " and its section files, but without its move record a later download of " +
            Printable(place.names.image) + " takes it for an attempt's remains and removes it: move them to keep them");
    FailAfter(outcome, OutcomeKind::WriteFailed, placement.why);
    return FilesOf(place.names.incompleteSections, true);
}

}  // namespace

std::string SummaryLine(double bytes, double seconds, const std::string& files) {
    const double shown = std::round(seconds * 10) / 10;
    char line[128];
    if (shown < 60)
        std::snprintf(line, sizeof line, "%.1f kB in %.1f s", bytes / 1000, shown);
    else
        std::snprintf(line, sizeof line, "%.1f kB in %d:%04.1f", bytes / 1000, static_cast<int>(shown) / 60,
                      std::fmod(shown, 60));
    std::string text = line;
    if (shown > 0) {
        std::snprintf(line, sizeof line, " (%.1f kB/s)", bytes / shown / 1000);
        text += line;
    }
    return text + ", " + files;
}

std::vector<LoggedFile> ReportDownload(const DownloadPlace& place, const Placement& placement,
                                       TransferOutcome& outcome, const TransferRecorder& recorder, bool quiet,
                                       Voice& voice) {
    if (outcome.kind == OutcomeKind::PortUnusable) {
        voice.Say(outcome.sentence);
        SystemDisk().Remove(place.names.incomplete);  // the index file of a download that never began
        return {};
    }
    if (!outcome.Ok() && outcome.kind != OutcomeKind::Cancelled) voice.Say(outcome.sentence);
    if (!outcome.Ok()) return KeepIncomplete(place, outcome, voice);
    if (!placement.placed) return KeepWaiting(place, placement, outcome, voice);
    if (!placement.warning.empty()) voice.Say("warning: " + placement.warning);
    const std::string image = Printable(place.names.image);
    // A header counts whole blocks of 16 packets: a section whose data ends before
    // its block does has fewer. Normal, and said as such.
    std::string fewer;
    for (SectionKind kind : AllSections)
        if (const SectionCounts& c = outcome.CountsOf(kind); c.begun && c.through < c.announced)
            fewer += (fewer.empty() ? "" : ", ") + std::string(SectionName(kind)) + " " + std::to_string(c.through) +
                     " of " + std::to_string(c.announced);
    if (!fewer.empty() && !quiet)
        voice.Say("data packets: " + fewer + " (a header counts whole blocks of 16; a section ends where its data does)");
    std::vector<LoggedFile> files = FilesOf(place.names.sections, true);
    double bytes = 0;
    std::string suffixes;
    for (const LoggedFile& f : files) {
        bytes += static_cast<double>(f.file.bytes.size());
        suffixes += (suffixes.empty() ? "." : ", .") + std::string(SectionSuffix(*f.file.section));
    }
    if (!quiet)
        voice.Say(SummaryLine(bytes, recorder.Seconds(), image + " and its section files " + suffixes));
    return files;
}
