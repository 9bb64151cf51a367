// kestrivane: the command line front end. A setting comes from its option, else from
// config.ini in the current folder (the Windows program's keys), else from the user's
// settings file; the port also from KESTRIVANE_PORT before the files, or from the one
// USB adapter plugged in after them (options/settings.cpp).
#include <CLI/CLI.hpp>

#include <cstdio>

#include "app/cli/commands/compare.h"
#include "app/cli/commands/download.h"
#include "app/cli/commands/inspect.h"
#include "app/cli/commands/ports.h"
#include "app/cli/commands/several_boxes.h"
#include "app/cli/commands/station.h"
#include "app/cli/commands/upload.h"
#include "app/cli/commands/verify.h"
#include "app/cli/run/name_lock.h"
#include "app/cli/run/signals.h"
#include "app/cli/options/command_line.h"
#include "app/cli/options/option_table.h"
#include "app/cli/terminal/say.h"
#include "app/config/config.h"
#include "display/console/terminal.h"
#include "stored/urt_file_name.h"

namespace {

constexpr int UsageError = 2;

int Usage(const std::string& reason) {
    Say(reason);
    return UsageError;
}

// kestrivane help [COMMAND]: the program's help, or a command's.
int Help(const CommandLineParser& line, const std::string& on) {
    const CLI::App* about = line.app.get();
    std::string name = "kestrivane";
    if (!on.empty()) {
        const auto commands = line.app->get_subcommands([&](const CLI::App* c) { return c->get_name() == on; });
        if (commands.empty()) {
            const std::string near = NearestCommand(*line.app, on);
            return Usage("no command " + on + (near.empty() ? "" : "; did you mean " + near + "?") +
                         " (kestrivane help lists them)");
        }
        about = commands.front();
        name += " " + on;
    }
    std::fputs(about->get_formatter()->make_help(about, name, CLI::AppFormatMode::Normal).c_str(), stdout);
    return 0;
}

// The commands that only read files, or list the ports; -1 for any other.
int FilesAndPorts(const CommandLineParser& line, const CommandLineValues& values) {
    // What only reads images shares their names' locks: no download changes them meanwhile.
    std::vector<ImageLock> reading;
    if (line.inspect->parsed()) {
        if (const int refused = LockForReading(values.files, &reading, StandardError()); refused >= 0) return refused;
        return InspectFiles(values.files, values.json, stdout) ? 1 : 0;
    }
    if (line.compare->parsed()) {
        if (const int refused = LockForReading({values.first, values.second}, &reading, StandardError()); refused >= 0)
            return refused;
        return CompareImages(values.first, values.second, values.json, stdout, stderr);
    }
    if (line.ports->parsed()) return PrintSerialPorts(values.json, stdout);
    return -1;
}

// The commands that talk to the box, on their own or served by the station.
int Transfer(const CommandLineParser& line, CommandLineValues& values) {
    TransferOptions& options = values.options;
    const bool station = line.station->parsed();
    const TransferCommands& commands = station ? line.stationTransfers : line.transfers;
    if (commands.upload->parsed()) {
        std::string error;
        options.sectionsGiven = commands.sections->count() > 0;
        if (IsUrtFileName(values.image) && options.sectionsGiven)
            return Usage("--sections does not apply to a URT file");
        if (!ParseSections(values.sections, &options.sections, &error)) return Usage(error);
    }
    SettingsRead read;
    const std::string problem = ReadSettings(values.settings, &read, !station);
    if (!problem.empty()) return Usage(problem);
    // A PacketLength that can never read a packet stops what reads the box.
    const TransferKind kind = commands.download->parsed() ? TransferKind::Download
                              : commands.upload->parsed() ? TransferKind::Upload
                                                          : TransferKind::Verify;
    if (!read.packetLengthUnusable.empty()) {
        if (kind != TransferKind::Upload || options.verify) return Usage(read.packetLengthUnusable);
        read.warnings.push_back(read.packetLengthUnusable + " (an upload does not read packets)");
    }
    for (const std::string& warning : read.warnings) Say("warning: " + warning);
    for (const std::string& note : read.notes) Say(note);
    if (options.verbose) Say(read.described);
    options.session = read.session;
    options.session.checkStoredPackets = !options.force;
    options.progressJson = values.progress == "json";
    if (options.log.empty()) options.log = ReadProfileText(OptionNamed("--log").key, "", SettingValueMax);

    CatchStopSignals();  // Ctrl-C: every session of the command stops at its next check
    const BoxCommand command = [](TransferKind kind, const std::string& image, const BoxJob& job) {
        if (kind == TransferKind::Verify) return VerifyCommand(image, job);
        return kind == TransferKind::Download ? DownloadCommand(image, job) : UploadCommand(image, job);
    };
    if (station) return StationCommand({kind, values.image, options, read.ports, values.bell, command});
    if (read.ports.size() > 1) return SeveralBoxesCommand(kind, values.image, options, read.ports, command);
    JsonEventWriter json(stdout);
    return command(kind, values.image, {options, StandardError(), options.progressJson ? &json : nullptr, false, nullptr});
}

}  // namespace

int main(int argc, char** argv) try {
    PrepareTerminal();
    CommandLineValues values;
    const CommandLineParser line(values);
    try {
        line.app->parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == 0) return line.app->exit(e);  // --help, --version
        // A mistyped command or option: what was probably meant, alone.
        const std::string suggestion = SuggestionFor(*line.app, argc, argv);
        if (!suggestion.empty()) return Usage(suggestion);
        return Usage(std::string(e.what()) + " (" + HelpPointer(*line.app) + " says more)");
    }
    if (line.help->parsed()) return Help(line, values.helpOn);
    if (const int status = FilesAndPorts(line, values); status >= 0) return status;
    return Transfer(line, values);
} catch (const std::exception& e) {
    Say(e.what());
    return UsageError;
}
