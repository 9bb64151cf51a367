// kestrivane: copies a receiver box's memory image to disk over a serial line, and
// writes it back.
#include <unistd.h>

#include <CLI/CLI.hpp>

#include <csignal>
#include <cstdio>
#include <iostream>
#include <sstream>
#include <sys/stat.h>

#include "app/cli/inspect.h"
#include "app/cli/settings.h"
#include "display/cancel_flag.h"
#include "display/console/console_display.h"
#include "download/download_session.h"
#include "link/serial_link_posix.h"
#include "upload/upload_session.h"
#include "upload/urt_mode.h"

namespace {

constexpr int kUsageError = 2;

// Ctrl-C is the dialog's Cancel: the session stops at its next check, with the
// port closed. A second Ctrl-C stops the program at once.
void OnInterrupt(int signal) {
    if (CancelFlag) {
        std::signal(signal, SIG_DFL);
        std::raise(signal);
        return;
    }
    CancelFlag = 1;
    static const char said[] = "\nkestrivane: cancelling at the next check (Ctrl-C again to stop at once)\n";
    (void)!write(STDERR_FILENO, said, sizeof said - 1);
}

void CatchInterrupts() {
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    // A file grown past the size limit (ulimit -f) is a failed write the session
    // reports, not a reason to die half way through a packet.
    std::signal(SIGXFSZ, SIG_IGN);
}

int UsageError(const std::string& reason) {
    std::fprintf(stderr, "kestrivane: %s\n", reason.c_str());
    return kUsageError;
}

// Sections named in a comma-separated list.
bool ParseSections(const std::string& list, std::array<bool, SectionCount>* checked, std::string* error) {
    checked->fill(false);
    std::stringstream in(list);
    std::string name;
    bool any = false;
    while (std::getline(in, name, ',')) {
        SectionKind kind;
        const bool known = SectionFromShortName(name, &kind);
        if (known) checked->at(static_cast<std::size_t>(SectionIndex(kind))) = any = true;
        if (!known) {
            *error = "--sections: unknown section '" + name + "' (flash, satellite, resource, eeprom, application)";
            return false;
        }
    }
    if (!any) *error = "--sections: no section named";
    return any;
}

// The upload warning of the Windows program, asked on the terminal.
bool Confirmed() {
    std::fprintf(stderr, "Upload Warning: Warning !!\nThis will overwrite the data in the Receiver.\n\nProceed? [y/N] ");
    std::fflush(stderr);
    std::string answer;
    if (!std::getline(std::cin, answer)) return false;
    return answer == "y" || answer == "Y" || answer == "yes" || answer == "Yes" || answer == "YES";
}

bool Exists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"Copies the memory image of a 4730 receiver box to disk over a serial line, and writes it back."};
    app.footer(
        "Settings come from config.ini in the current directory when there is one (section OPTIONS, keys\n"
        "Port, BAUD_RATE, SPEED and PacketLength, as the Windows program keeps them), then from the options.\n"
        "Without config.ini the packet length is 2048.\n\n"
        "Exit status: 0 done, 1 the transfer failed or was cancelled (or inspect found problems),\n"
        "2 the command line or the settings cannot be used.");
    app.require_subcommand(1);

    CommandLineSettings options;
    bool verbose = false;
    app.add_option("-p,--port", options.port, "serial device, such as /dev/ttyUSB0 (config.ini: Port)");
    app.add_option("-b,--baud", options.baud, "line speed in bit/s (config.ini: BAUD_RATE; default 115200)")
        ->check(CLI::PositiveNumber);
    app.add_option("--speed", options.speed,
                   "upload time-out factor, x 5000 ms (config.ini: SPEED; default 10)")->check(CLI::PositiveNumber);
    app.add_option("--packet-length", options.packetLength,
                   "bytes of a data packet a download expects, 2048 for full packets (config.ini: PacketLength)")
        ->check(CLI::Range(1, 2979));
    app.add_flag("-v,--verbose", verbose, "say which settings are used and what was done to the line");

    std::string image;
    auto* download = app.add_subcommand(
        "download", "copy the box's image into IMAGE (an index file) and IMAGE's section files .ur1 to .ur5");
    download->add_option("IMAGE", image, "index file to write, such as box.dat; .dat is added to a name without "
                                         "an extension")->required();
    download->fallthrough();

    std::string sections = "flash,satellite,resource,eeprom,application";
    bool yes = false;
    auto* upload = app.add_subcommand(
        "upload", "write section files, or one URT file, back into the box (overwrites what the box holds)");
    upload->add_option("IMAGE", image,
                       "a URT file (extension beginning with urt), or an index or section file of a download")
        ->required();
    auto* sectionsOption = upload->add_option(
        "-s,--sections", sections,
        "sections to send, comma-separated: flash, satellite, resource, eeprom, application (default: all)");
    upload->add_flag("-y,--yes", yes, "do not ask before overwriting the box (needed without a terminal)");
    upload->fallthrough();

    std::vector<std::string> files;
    auto* inspect = app.add_subcommand(
        "inspect", "check index, section and URT files as an upload would read them; status 1 on any problem");
    inspect->add_option("FILE", files, "files to check")->required();

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e) == 0 ? 0 : kUsageError;
    }

    if (inspect->parsed()) {
        int problems = 0;
        for (const std::string& file : files) {
            problems += InspectFile(file, stdout);
            std::fputc('\n', stdout);
        }
        std::printf(problems ? "%d problems found\n" : "no problems found\n", problems);
        return problems ? 1 : 0;
    }

    std::array<bool, SectionCount> checked{true, true, true, true, true};
    if (upload->parsed()) {
        if (!Exists(image)) return UsageError("no such file: " + image);
        UrtMode = IsUrtFileName(image);
        std::string error;
        if (UrtMode && sectionsOption->count()) return UsageError("--sections does not apply to a URT file");
        if (!UrtMode && !ParseSections(sections, &checked, &error)) return UsageError(error);
    }
    std::string warning;
    const std::string problem = ApplySettings(options, &warning);
    if (!problem.empty()) return UsageError(problem);
    if (!warning.empty()) std::fprintf(stderr, "kestrivane: warning: %s\n", warning.c_str());

    if (upload->parsed() && !yes) {
        if (!isatty(STDIN_FILENO)) return UsageError("an upload overwrites the box: confirm on a terminal or give --yes");
        if (!Confirmed()) {
            std::fprintf(stderr, "kestrivane: nothing sent\n");
            return 1;
        }
    }

    if (verbose) {
        std::fprintf(stderr, "kestrivane: %s\n", DescribeSettings().c_str());
        static_cast<PosixSerialBackend&>(PlatformSerialBackend()).onOpened = [](const std::string& said) {
            std::fprintf(stderr, "kestrivane: %s\n", said.c_str());
        };
    }
    ConsoleDisplay display(stdout, stderr, isatty(STDERR_FILENO));
    display.SetChecked(checked);
    SetCurrentDisplay(&display);
    CancelFlag = 0;
    CatchInterrupts();

    int result;
    if (download->parsed()) {
        const auto slash = image.find_last_of('/');
        if (image.find('.', slash == std::string::npos ? 0 : slash) == std::string::npos) image += ".dat";
        result = RunDownload(image);
    } else {
        result = RunUpload(image);
    }
    SetCurrentDisplay(nullptr);
    return result;
}
