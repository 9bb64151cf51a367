#include "app/cli/transfer_command.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <iostream>

#include "app/cli/image_replace.h"
#include "app/cli/ports.h"
#include "app/cli/session_run.h"
#include "app/cli/transfer_report.h"
#include "app/cli/upload_plan.h"
#include "app/cli/verify.h"
#include "core/cancel_flag.h"
#include "core/link_settings.h"
#include "display/console/console_display.h"
#include "download/download_session.h"
#include "link/serial_link.h"
#include "upload/upload_session.h"
#include "upload/urt_mode.h"

namespace {

constexpr int UsageError = 2;

}  // namespace

int Refuse(const std::string& reason) {
    Say(reason);
    return UsageError;
}

namespace {

// Asks on the terminal; false for anything but yes.
bool Confirmed(const std::string& question) {
    std::fprintf(stderr, "%s [y/N] ", question.c_str());
    std::fflush(stderr);
    std::string answer;
    if (!std::getline(std::cin, answer)) return false;
    return answer == "y" || answer == "Y" || answer == "yes" || answer == "Yes" || answer == "YES";
}

bool IsDirectory(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool Exists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

// A port another program holds open takes the box's bytes from us: said before the
// box is touched.
std::string PortTakenBy(const std::string& port) {
    const std::string holders = ProgramsHolding(port);
    if (holders.empty()) return {};
    return "the port " + port + " is open in another program: " + holders + "; close it first";
}

// The section files replace a name's last three characters: a name whose extension
// is not three characters long gives section files of names the user may not expect.
void WarnOfOddExtension(const std::string& image) {
    if (HasThreeLetterExtension(image)) return;
    std::fprintf(stderr, "kestrivane: warning: %s does not end in a three-letter extension: its section files are "
                         "%s to %s\n", image.c_str(), SectionFilePath(image, SectionKind::FlashDatabase).c_str(),
                 SectionFilePath(image, SectionKind::ApplicationSoftware).c_str());
}

// What every transfer checks last before it touches the box: the port free, the
// trace and the log writable. -1 to go on, or the exit status.
int CheckBeforeTheBox(const TransferOptions& options) {
    if (const std::string taken = PortTakenBy(LinkSettings.PortName); !taken.empty()) return Refuse(taken);
    if (const std::string bad = CheckRecords(options.trace, options.log); !bad.empty()) return Refuse(bad);
    return -1;
}

// What an earlier attempt at an image left under its incomplete names goes first,
// and is said. -1 to go on, or the exit status.
int ClearEarlierAttempt(const std::string& incomplete) {
    std::string why;
    std::string names;
    for (const std::string& path : RemoveImageFiles(incomplete, SystemDisk(), &why))
        names += (names.empty() ? "" : ", ") + Printable(path);
    if (!names.empty()) Say("removed what an earlier attempt left: " + names);
    return why.empty() ? -1 : Refuse(why);
}

}  // namespace

void AddDatExtension(std::string* image) {
    const auto slash = image->find_last_of('/');
    if (image->find('.', slash == std::string::npos ? 0 : slash) == std::string::npos) *image += ".dat";
}

int PrepareDownloadName(std::string* image) {
    const std::string& name = *image;
    if (!name.empty() && name.back() == '/')
        return Refuse(name + " names a folder: give a file name, such as " + name + "box.dat");
    if (IsDirectory(name)) return Refuse(name + " is a folder: give a file name, such as " + name + "/box.dat");
    AddDatExtension(image);
    const auto slash = name.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : name.substr(0, slash == 0 ? 1 : slash);
    if (!IsDirectory(folder)) return Refuse("the folder " + folder + " does not exist");
    WarnOfOddExtension(*image);
    return -1;
}

bool ImageExists(const std::string& image) {
    bool earlier = Exists(image);
    for (SectionKind kind : AllSections) earlier = earlier || Exists(SectionFilePath(image, kind));
    return earlier;
}

int ConfirmReplacing(const std::string& what, const TransferOptions& options) {
    if (options.yes) return -1;
    if (!isatty(STDIN_FILENO)) return Refuse(what + " exists: give --yes to replace it");
    if (Confirmed("kestrivane: " + what + " (or its section files) exists. Replace it?")) return -1;
    Say("nothing written");
    return 1;
}

int PrepareUpload(const std::string& image, const TransferOptions& options, const std::string& ports, UploadPlan* plan) {
    UrtMode = IsUrtFileName(image);
    if (!UrtMode) WarnOfOddExtension(image);
    *plan = PlanUpload(image, options.sections, options.sectionsGiven);
    for (const std::string& note : plan->notSent) Say(note);
    if (!plan->missing.empty()) {
        std::string reason = "cannot upload: not there: " + plan->missing[0];
        for (std::size_t i = 1; i < plan->missing.size(); ++i) reason += ", " + plan->missing[i];
        const std::string there = SectionsThatAreThere(*plan);
        if (!plan->urt && !there.empty()) reason += "\nkestrivane: to send the files that are there: --sections " + there;
        return Refuse(reason);
    }
    if (!plan->damage.empty()) {
        for (const std::string& d : plan->damage) Say(d);
        if (!options.force)
            return Refuse("cannot upload: the files hold damaged packets (above); kestrivane inspect " + image +
                          " says more; --force sends them anyway");
        Say("sending them anyway (--force)");
        CheckStoredPackets = false;  // the session would refuse them too
    }
    if (options.yes) return -1;
    if (!isatty(STDIN_FILENO)) return Refuse("an upload overwrites the box: confirm on a terminal or give --yes");
    std::fputs(DescribePlan(*plan, ports).c_str(), stderr);
    if (Confirmed("Warning !! This will overwrite the data in the Receiver. Proceed?")) return -1;
    Say("nothing sent");
    return 1;
}

int DownloadCommand(std::string image, const TransferOptions& options) {
    if (const int refused = PrepareDownloadName(&image); refused >= 0) return refused;
    const bool earlier = ImageExists(image);
    if (earlier)
        if (const int declined = ConfirmReplacing(image, options); declined >= 0) return declined;
    if (const int refused = CheckBeforeTheBox(options); refused >= 0) return refused;

    // The image comes down under its incomplete names, and takes its own once whole.
    const DownloadPlace place{image, IncompleteImageName(image), earlier};
    if (const int refused = ClearEarlierAttempt(place.incomplete); refused >= 0) return refused;
    SessionRun run(options);
    const int result = run.Run([&] { return RunDownload(place.incomplete); });
    const int reported = ReportDownload(place, result, run.Display());
    TransferRecord record{"download", "", image, {}, 0, ""};
    for (SectionKind kind : AllSections)
        record.files.push_back(SectionFilePath(reported == 0 ? image : place.incomplete, kind));
    const int status = run.Finish(reported, record);
    if (status != 0 || !options.verify) return status;
    // A read checked by a second read.
    Say("to verify, switch the box off, then on again holding channel up");
    std::string why;
    return VerifyAgainstBox(image, SectionsToVerify(image, &why), options);
}

int VerifyCommand(const std::string& image, const TransferOptions& options) {
    std::string why;
    const std::vector<StoredFile> expected = SectionsToVerify(image, &why);
    if (expected.empty()) return Refuse("cannot verify: " + why);
    if (const int refused = CheckBeforeTheBox(options); refused >= 0) return refused;
    return VerifyAgainstBox(image, expected, options);
}

int UploadCommand(const std::string& image, const TransferOptions& options) {
    UploadPlan plan;
    if (const int refused = PrepareUpload(image, options, LinkSettings.PortName, &plan); refused >= 0) return refused;
    if (const int refused = CheckBeforeTheBox(options); refused >= 0) return refused;

    SessionRun run(options);
    run.Display().SetChecked(plan.send);
    run.Display().SetExpectedPackets(plan.packets);
    const int result = run.Run([&] { return RunUpload(image); });
    TransferRecord record{"upload", "", image, {}, 0, ""};
    for (const StoredFile& f : plan.files) record.files.push_back(f.path);
    const int status = run.Finish(ReportUpload(plan, result, run.Display()), record);
    if (status != 0 || !options.verify) return status;
    Say("to verify, switch the box off, then on again holding channel up");
    return VerifyAgainstBox(image, plan.files, options);
}
