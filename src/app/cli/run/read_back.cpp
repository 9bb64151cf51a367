#include "app/cli/run/read_back.h"

#include <filesystem>
#include <optional>

#include "app/cli/image/disk.h"
#include "app/cli/image/section_compare.h"
#include "app/cli/run/session_run.h"
#include "app/cli/terminal/say.h"
#include "display/console/console_lines.h"
#include "download/download_session.h"

namespace {

bool SameHeader(const StoredFile& a, const StoredFile& b) {
    return a.headerUsable && b.headerUsable && a.headerSize == b.headerSize &&
           a.bytes.compare(a.headerOffset, a.headerSize, b.bytes, b.headerOffset, b.headerSize) == 0;
}

// The section of the box that a stored file is to be compared with: by its kind, or
// for a URT file the one whose header it holds.
std::optional<SectionKind> BoxSectionFor(const StoredFile& f, const std::string& read) {
    if (f.kind != StoredKind::Urt) return f.section;
    for (SectionKind kind : AllSections)
        if (SameHeader(f, AnalyseStoredFile(SectionFilePath(read, kind)))) return kind;
    return std::nullopt;
}

std::string Names(const std::vector<std::string>& names) { return JoinedWithAnd(names); }

// Compares what came down into `read` with the target: the files with their states,
// and the outcome (done, or Differs). With `quiet` only the differences are said.
std::vector<LoggedFile> Compare(const VerifyTarget& target, const std::string& read, bool quiet,
                                TransferOutcome& outcome, Voice& voice) {
    std::vector<LoggedFile> files;
    std::vector<std::string> same, differ;
    for (const StoredFile& f : target.files) {
        files.push_back({f, "same"});
        const auto kind = BoxSectionFor(f, read);
        if (!kind) {
            voice.Say("verify: " + Printable(f.path) + ": the box holds no section with this URT file's header");
            files.back().state = "differs";
            differ.push_back(Printable(f.path));
            continue;
        }
        const StoredFile box = AnalyseStoredFile(SectionFilePath(read, *kind));
        const std::vector<std::string> differences = SectionDifferences(f, box);
        if (differences.empty()) {
            if (!quiet)
                voice.Say("verify: " + StoredSectionName(f) + ": the box holds it (header and " +
                    std::to_string(f.packets.size()) + " data packets)");
            same.push_back(StoredSectionName(f));
            continue;
        }
        files.back().state = "differs";
        differ.push_back(StoredSectionName(f) + " (" + differences.front() + ")");
        voice.Say("verify: " + StoredSectionName(f) + ": the box differs from " + Printable(f.path) + " (A the file, B the box):");
        for (const std::string& d : differences) voice.Say("verify:   " + d);
    }
    std::vector<std::string> lacking;
    for (SectionKind kind : target.lacking) lacking.push_back(SectionName(kind));
    const std::string notCompared =
        lacking.empty() ? "" : "; the image has no " + Names(lacking) + ", so " + (lacking.size() == 1 ? "it was" : "they were") + " not compared";
    if (!differ.empty()) {
        FailAfter(outcome, OutcomeKind::Differs, "the box does not hold the image: it differs in " + Names(differ));
        voice.Say("verify: " + outcome.sentence + notCompared);
    } else {
        outcome.sentence = "the box holds the image (" + Names(same) + " compared" + notCompared + ")";
        if (!quiet || !lacking.empty()) voice.Say("verify: " + outcome.sentence);
    }
    return files;
}

}  // namespace

VerifyTarget VerifyTargetOf(const StoredImage& image, std::string* why) {
    VerifyTarget target;
    target.image = image.path;
    if (image.sectionFiles) {
        for (const StoredFile& f : image.files) {
            if (f.present) target.files.push_back(f);
            else if (!f.leftEmpty) target.lacking.push_back(*f.section);
        }
        if (target.files.empty()) *why = Printable(image.path) + ": no section files beside it";
    } else if (!image.named.present) {
        *why = Printable(image.path) + ": " + image.named.readError;
    } else if (image.named.kind == StoredKind::Unknown) {
        *why = Printable(image.path) + ": neither an index, a section nor a URT file";
    } else {
        target.files.push_back(image.named);
    }
    return target;
}

TransferOutcome VerifyAgainstBox(const VerifyTarget& target, const BoxJob& job) {
    const TransferOptions& options = job.options;
    Voice& voice = job.voice;
    namespace fs = std::filesystem;
    std::string folder;
    if (const int error = MakeTemporaryFolder("kestrivane-verify", &folder)) {
        std::error_code ec;
        TransferOutcome outcome = Failure(OutcomeKind::WriteFailed, WithReason("cannot make a folder to read the box into under " +
                                                                        fs::temp_directory_path(ec).string(), error));
        outcome.readBack = true;
        voice.Say("verify: " + outcome.sentence);
        return outcome;
    }
    const std::string read = folder + "/box.dat";
    SessionRun run(job, true);
    TransferOutcome outcome = run.Run([&](Session& s) { return RunDownload(s, read); }, "read back to verify " + target.image);
    outcome.readBack = true;
    TransferRecord record("verify", target.image, {});
    if (outcome.Ok()) {
        record.files = Compare(target, read, options.quiet, outcome, voice);
        outcome.readBack = true;
    } else {
        if (outcome.kind != OutcomeKind::Cancelled) outcome.sentence = "the box could not be read: " + outcome.sentence;
        voice.Say("verify: " + outcome.sentence);
        for (const StoredFile& f : target.files) record.files.push_back({f, "not compared"});
    }
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    run.Finish(outcome, record);
    return outcome;
}

int StatusAfterTransfer(const TransferOutcome& verified) {
    const int status = verified.Status();
    return status == 2 ? 1 : status;
}
