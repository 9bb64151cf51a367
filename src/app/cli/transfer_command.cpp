#include "app/cli/transfer_command.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <iostream>

#include "app/cli/signals.h"
#include "app/cli/transfer_report.h"
#include "app/cli/upload_plan.h"
#include "core/cancel_flag.h"
#include "core/link_settings.h"
#include "display/console/console_display.h"
#include "download/download_session.h"
#include "link/serial_link.h"
#include "upload/upload_session.h"
#include "upload/urt_mode.h"

namespace {

constexpr int UsageError = 2;

int Refuse(const std::string& reason) {
    std::fprintf(stderr, "kestrivane: %s\n", reason.c_str());
    return UsageError;
}

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

// Runs `session` with the console display, Ctrl-C as Cancel and, where the link is
// a POSIX one, reads that Ctrl-C cuts short.
template <typename Session>
int RunWithDisplay(ConsoleDisplay& display, const TransferOptions& options, Session session) {
    if (options.verbose) OnLineNote([](const std::string& note) { std::fprintf(stderr, "kestrivane: %s\n", note.c_str()); });
    SetCurrentDisplay(&display);
    CancelFlag = 0;
    CatchSignals();
    const int result = session();
    SetCurrentDisplay(nullptr);
    return result;
}

}  // namespace

int DownloadCommand(std::string image, const TransferOptions& options) {
    if (!image.empty() && image.back() == '/') return Refuse(image + " names a folder: give a file name, such as " + image + "box.dat");
    if (IsDirectory(image)) return Refuse(image + " is a folder: give a file name, such as " + image + "/box.dat");
    const auto slash = image.find_last_of('/');
    if (image.find('.', slash == std::string::npos ? 0 : slash) == std::string::npos) image += ".dat";
    const std::string folder = slash == std::string::npos ? "." : image.substr(0, slash == 0 ? 1 : slash);
    if (!IsDirectory(folder)) return Refuse("the folder " + folder + " does not exist");

    bool earlier = Exists(image);
    for (SectionKind kind : AllSections) earlier = earlier || Exists(SectionFilePath(image, kind));
    if (earlier && !options.yes) {
        if (!isatty(STDIN_FILENO)) return Refuse(image + " exists: give --yes to replace it");
        if (!Confirmed("kestrivane: " + image + " (or its section files) exists. Replace it?")) {
            std::fprintf(stderr, "kestrivane: nothing written\n");
            return 1;
        }
    }

    ConsoleDisplay display(stdout, stderr, isatty(STDERR_FILENO), options.quiet);
    const std::time_t started = std::time(nullptr);
    const int result = RunWithDisplay(display, options, [&] { return RunDownload(image); });
    return ReportDownload(image, result, display, started);
}

int UploadCommand(const std::string& image, const TransferOptions& options) {
    UrtMode = IsUrtFileName(image);
    const UploadPlan plan = PlanUpload(image, options.sections, options.sectionsGiven);
    if (!plan.missing.empty()) {
        std::string reason = "cannot upload: not there: " + plan.missing[0];
        for (std::size_t i = 1; i < plan.missing.size(); ++i) reason += ", " + plan.missing[i];
        const std::string there = SectionsThatAreThere(plan);
        if (!plan.urt && !there.empty()) reason += "\nkestrivane: to send the files that are there: --sections " + there;
        return Refuse(reason);
    }
    if (!plan.damage.empty()) {
        for (const std::string& d : plan.damage) std::fprintf(stderr, "kestrivane: %s\n", d.c_str());
        if (!options.force)
            return Refuse("cannot upload: the files hold damaged packets (above); kestrivane inspect " + image +
                          " says more; --force sends them anyway");
        std::fprintf(stderr, "kestrivane: sending them anyway (--force)\n");
        CheckStoredPackets = false;  // the session would refuse them too
    }
    if (!options.yes) {
        if (!isatty(STDIN_FILENO))
            return Refuse("an upload overwrites the box: confirm on a terminal or give --yes");
        std::fputs(DescribePlan(plan, LinkSettings.PortName).c_str(), stderr);
        if (!Confirmed("Warning !! This will overwrite the data in the Receiver. Proceed?")) {
            std::fprintf(stderr, "kestrivane: nothing sent\n");
            return 1;
        }
    }

    ConsoleDisplay display(stdout, stderr, isatty(STDERR_FILENO), options.quiet);
    display.SetChecked(plan.send);
    display.SetExpectedPackets(plan.packets);
    const int result = RunWithDisplay(display, options, [&] { return RunUpload(image); });
    return ReportUpload(plan, result, display);
}
