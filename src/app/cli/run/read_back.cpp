#include "app/cli/run/read_back.h"

#include <stdlib.h>

#include <filesystem>
#include <optional>

#include "app/cli/image/section_compare.h"
#include "app/cli/run/session_run.h"
#include "app/cli/run/transfer_report.h"
#include "app/cli/terminal/say.h"
#include "core/cancel_flag.h"
#include "core/link_settings.h"
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

// Compares what came down into `read` with the expected files; 0 same, 1 differs.
// With `quiet` only the differences are said.
int Compare(const std::vector<StoredFile>& expected, const std::string& read, bool quiet) {
    int status = 0;
    for (const StoredFile& f : expected) {
        const auto kind = BoxSectionFor(f, read);
        if (!kind) {
            Say("verify: " + Printable(f.path) + ": the box holds no section with this URT file's header");
            status = 1;
            continue;
        }
        const StoredFile box = AnalyseStoredFile(SectionFilePath(read, *kind));
        const std::vector<std::string> differences = SectionDifferences(f, box);
        if (differences.empty()) {
            if (!quiet)
                Say("verify: " + StoredSectionName(f) + ": the box holds it (header and " + std::to_string(f.packets.size()) +
                    " data packets)");
            continue;
        }
        status = 1;
        Say("verify: " + StoredSectionName(f) + ": the box differs from " + Printable(f.path) + " (A the file, B the box):");
        for (const std::string& d : differences) Say("verify:   " + d);
    }
    if (status != 0) Say("verify: the box does not hold the image");
    else if (!quiet) Say("verify: the box holds the image");
    return status;
}

}  // namespace

std::vector<StoredFile> SectionsToVerify(const std::string& image, std::string* why) {
    std::vector<StoredFile> files;
    StoredFile named = AnalyseStoredFile(image);
    if (StandsForSectionFiles(named)) {
        for (StoredFile& f : AnalyseSectionFiles(image))
            if (f.present) files.push_back(std::move(f));
        if (files.empty()) *why = image + ": no section files beside it";
    } else if (!named.present) {
        *why = image + ": " + named.readError;
    } else if (named.kind == StoredKind::Unknown) {
        *why = image + ": neither an index, a section nor a URT file";
    } else {
        files.push_back(std::move(named));
    }
    return files;
}

int VerifyAgainstBox(const std::string& image, const std::vector<StoredFile>& expected, const TransferOptions& options) {
    namespace fs = std::filesystem;
    std::string folder = (fs::temp_directory_path() / "kestrivane-verify-XXXXXX").string();
    if (!mkdtemp(folder.data())) {
        Say("verify: cannot make a folder to read the box into under " + fs::temp_directory_path().string());
        return 2;
    }
    const std::string read = folder + "/box.dat";
    SessionRun run(options);
    const int result = run.Run([&] { return RunDownload(read); });
    int status = 2;
    if (result == 0) {
        status = Compare(expected, read, options.quiet);
    } else {
        run.Display().Finish();
        std::string why = PortProblem(LinkSettings.PortName, run.Display());
        if (why.empty()) why = run.Display().OutOfPatience();
        if (why.empty() && !CancelFlag && run.Display().Failures().empty()) why = "the box did not answer";
        Say("verify: the box could not be read" + (why.empty() ? std::string(" (see above)") : ": " + why));
    }
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    TransferRecord record{"verify", "", image, {}, 0, ""};
    for (const StoredFile& f : expected) record.files.push_back(f.path);
    return run.Finish(status, record);
}
