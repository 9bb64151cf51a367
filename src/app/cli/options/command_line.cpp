#include "app/cli/options/command_line.h"

#include <algorithm>
#include <cstdio>
#include <sstream>

#include "app/cli/options/suggest.h"
#include "display/console/help_format.h"
#include "app/cli/terminal/say.h"
#include "core/whole_number.h"
#include "version.h"

namespace {

// A whole number within bounds, said plainly when it is not.
CLI::Validator WholeNumber(long low, long high) {
    return CLI::Validator(
        [low, high](std::string& text) -> std::string {
            long value = 0;
            if (!ParseWholeNumber(text, low, high, &value))
                return text + " is not a whole number from " + std::to_string(low) + " to " + std::to_string(high);
            return {};
        },
        "");
}

// The group a command's shared options stand in, after its own.
constexpr const char* SharedGroup = "Options shared by every command that talks to the box (kestrivane --help says more)";

// The options of the line and of what is shown, on the program and on each command
// that talks to the box (so that they go either side of it): in full on the program,
// briefly on a command, after its own.
void AddLinkOptions(CLI::App* on, CommandLineSettings& settings, TransferOptions& options, bool brief) {
    const auto said = [brief](const char* full, const char* shortly) { return brief ? shortly : full; };
    const std::string group = brief ? SharedGroup : "Options";
    on->add_option("-p,--port", settings.ports,
                   said("serial device, such as /dev/ttyUSB0; give it once for each box to serve several at once, "
                        "or a pattern for a station (KESTRIVANE_PORT; config.ini: Port, several separated by commas)",
                        "serial device (or several)"))
        ->expected(1)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
        ->type_name("DEVICE")
        ->group(group);
    on->add_option("-b,--baud", settings.baud,
                   said("line speed in bit/s (config.ini: BAUD_RATE; default 115200)", "line speed in bit/s"))
        ->check(WholeNumber(1, 100000000))
        ->type_name("RATE")
        ->group(group);
    on->add_option("--speed", settings.speed,
                   said("the Windows program's upload time-out factor, x 5000 ms (config.ini: SPEED; default 10); it "
                        "is in force only between the opening handshake and the first section, where nothing is "
                        "read, so it lengthens no wait",
                        "the Windows program's upload time-out factor"))
        ->check(WholeNumber(1, 100000))
        ->type_name("FACTOR")
        ->group(group);
    on->add_option("--packet-length", settings.packetLength,
                   said("bytes of a data packet a download expects, 2048 for full packets (config.ini: PacketLength)",
                        "bytes of a data packet a download expects"))
        ->check(WholeNumber(2048, 2979))
        ->type_name("BYTES")
        ->group(group);
    on->add_option("--patience", settings.patience,
                   said("seconds the box may stay silent where it should announce a section, answer a section "
                        "handshake or ask for a header, before the transfer fails; 0 waits without end (config.ini: "
                        "Patience; default 60)",
                        "seconds the box may stay silent between sections"))
        ->check(WholeNumber(0, 86400))
        ->type_name("SECONDS")
        ->group(group);
    on->add_flag("-v,--verbose", options.verbose,
                 said("say which settings are used, where each came from, and what was done to the line",
                      "say the settings used and where they came from"))
        ->group(group);
    on->add_flag("-q,--quiet", options.quiet, "print only failures")->group(group);
}

// What a command that talks to the box can keep of it: the wire, events, a log.
void AddRecordOptions(CLI::App* on, TransferOptions& options, std::string& progress, bool brief) {
    const auto said = [brief](const char* full, const char* shortly) { return brief ? shortly : full; };
    const std::string group = brief ? SharedGroup : "Options";
    on->add_option("--trace", options.trace,
                   said("append every byte each way to FILE, a line a packet or burst with its time, kind and "
                        "checksum, its bytes on the lines below; a header line a run, the outcome at its end",
                        "append what goes over the line to FILE"))
        ->type_name("FILE")
        ->group(group);
    on->add_option("--progress", progress,
                   said("json: one JSON object a line on standard output for every event instead of the bars",
                        "json: events instead of the bars"))
        ->check(CLI::IsMember({"bars", "json"}))
        ->type_name("FORMAT")
        ->group(group);
    on->add_option("--log", options.log,
                   said("append a JSON line to FILE after the transfer: time, command, port, adapter, image, each "
                        "file with its size, packets, SHA-256 and state, the status and the outcome (config.ini: Log)",
                        "append a JSON line a transfer to FILE"))
        ->type_name("FILE")
        ->group(group);
}

// A command's footer: where the rest is said.
constexpr const char* CommandFooter = "Settings, exit statuses and examples: kestrivane --help, man kestrivane.";

// download, upload and verify, on the program or on its station.
TransferCommands AddTransferCommands(CLI::App* on, CommandLineValues& values) {
    TransferCommands commands;
    commands.download = on->add_subcommand(
        "download", "copy the box's image into IMAGE (an index file) and IMAGE's section files .ur1 to .ur5");
    commands.download->add_option("IMAGE", values.image, "index file to write, such as box.dat; .dat is added to a name without "
                                         "an extension")->required()->type_name("FILE");
    commands.download->add_flag("-y,--yes", values.options.yes, "replace an earlier image of that name without asking");
    commands.download->add_flag("--verify", values.options.verify,
                       "then read the box a second time (switch it off and on again) and compare the two reads");
    AddLinkOptions(commands.download, values.settings, values.options, true);
    AddRecordOptions(commands.download, values.options, values.progress, true);
    commands.download->footer(CommandFooter);
    commands.download->fallthrough();

    commands.upload = on->add_subcommand(
        "upload", "write section files, or one URT file, back into the box (overwrites what the box holds)");
    commands.upload->add_option("IMAGE", values.image,
                       "a URT file (extension beginning with urt), an index file (all five sections) or a section "
                       "file (its own section)")->required()->type_name("FILE");
    commands.sections = commands.upload->add_option(
        "-s,--sections", values.sections,
        "sections to send, comma-separated: flash, satellite, resource, eeprom, application")->type_name("LIST");
    commands.upload->add_flag("-y,--yes", values.options.yes, "do not ask before overwriting the box (needed without a terminal)");
    commands.upload->add_flag("--verify", values.options.verify,
                     "then read the box back (switch it off and on again holding channel up) and compare it with "
                     "the files sent");
    commands.upload->add_flag("--force", values.options.force,
                     "send files that hold damaged packets all the same (a last packet shorter than 2069 bytes goes "
                     "out padded with 0xFF to that size)");
    AddLinkOptions(commands.upload, values.settings, values.options, true);
    AddRecordOptions(commands.upload, values.options, values.progress, true);
    commands.upload->footer(CommandFooter);
    commands.upload->fallthrough();

    commands.verify = on->add_subcommand(
        "verify", "read the box's image (switch it on holding channel up) and compare it with IMAGE, section by "
                  "section and packet by packet; nothing is written beside IMAGE; status 1 when they differ");
    commands.verify->add_option("IMAGE", values.image, "an index file (the sections whose files are there), a section file or a "
                                       "URT file (the box's section that holds its header)")
        ->required()
        ->type_name("FILE");
    AddLinkOptions(commands.verify, values.settings, values.options, true);
    AddRecordOptions(commands.verify, values.options, values.progress, true);
    commands.verify->footer(CommandFooter);
    commands.verify->fallthrough();

    return commands;
}

}  // namespace

CommandLineParser::CommandLineParser(CommandLineValues& values) {
    app = std::make_unique<CLI::App>(
        "Copies the memory image of a 4730 receiver box to disk over a serial line, and writes it back.");
    app->formatter(std::make_shared<WrappingFormatter>());
    app->footer(
        "Each setting is taken from the first place that gives it: its option; for the port KESTRIVANE_PORT; "
        "config.ini in the current directory (section OPTIONS, keys Port, BAUD_RATE, SPEED, PacketLength, Patience "
        "and Log, as the Windows program keeps them); your settings file, $XDG_CONFIG_HOME/kestrivane/config.ini "
        "(else ~/.config/kestrivane/config.ini), with the same keys. Without a port in any of them the one USB "
        "serial adapter plugged in is used; without a PacketLength, 2048. -v says where each came from.\n\n"
        "Exit status: 0 done; 1 the transfer failed, or completed after an error or with the box holding less than "
        "the files (inspect and compare: problems found, images differ); 2 the command line, the settings, the files "
        "or the port cannot be used (nothing was sent to the box); 128 + the signal's number when one cancelled it "
        "(130 for Ctrl-C).");
    app->require_subcommand(1);
    app->set_version_flag("-V,--version", std::string("kestrivane ") + KESTRIVANE_VERSION);

    AddLinkOptions(app.get(), values.settings, values.options, false);
    AddRecordOptions(app.get(), values.options, values.progress, false);

    transfers = AddTransferCommands(app.get(), values);

    station = app->add_subcommand(
        "station", "serve box after box on every port (given as paths or patterns, such as '/dev/ttyUSB*'; without "
                   "--port every USB serial adapter) with COMMAND and its arguments, each port on its own, until "
                   "Ctrl-C; a download's name must hold {n} or {time}; status 1 when a box failed or was cut short");
    station->add_option("--log", values.options.log,
                        "append a JSON line for every box to FILE (config.ini: Log; default station.log)")
        ->type_name("FILE");
    station->add_flag("--bell", values.bell, "ring the terminal's bell when a box is finished");
    station->require_subcommand(1);
    station->fallthrough();
    stationTransfers = AddTransferCommands(station, values);

    inspect = app->add_subcommand(
        "inspect", "check index, section and URT files as an upload would read them; status 1 on any problem");
    inspect->add_option("FILE", values.files, "files to check")->required()->type_name("FILE");
    inspect->add_flag("--json", values.json, "report as JSON");

    compare = app->add_subcommand("compare", "compare two images section by section and packet by packet; "
                                                  "status 1 when they differ");
    compare->add_option("A", values.first, "an index, section or URT file")->required()->type_name("IMAGE");
    compare->add_option("B", values.second, "another")->required()->type_name("IMAGE");
    compare->add_flag("--json", values.json, "report as JSON");

    ports = app->add_subcommand("ports", "list the serial ports of this machine");
    ports->add_flag("--json", values.json, "report as JSON");

    help = app->add_subcommand("help", "say what the program, or COMMAND, does and takes");
    help->add_option("COMMAND", values.helpOn, "a command (download, upload, verify, station ..)")
        ->type_name("COMMAND");
    for (CLI::App* command : {inspect, compare, ports, station, help}) command->footer(CommandFooter);
}

bool ParseSections(const std::string& list, std::array<bool, SectionCount>* chosen, std::string* error) {

    chosen->fill(false);
    std::stringstream in(list);
    std::string name;
    bool any = false;
    while (std::getline(in, name, ',')) {
        SectionKind kind;
        if (!SectionFromShortName(name, &kind)) {
            *error = "--sections: unknown section '" + name + "' (flash, satellite, resource, eeprom, application)";
            return false;
        }
        chosen->at(static_cast<std::size_t>(SectionIndex(kind))) = any = true;
    }
    if (!any) *error = "--sections: no section named";
    return any;
}


std::string SuggestionFor(const CLI::App& app, int argc, char** argv) {
    std::vector<std::string> commands, options;
    for (const CLI::App* sub : app.get_subcommands([](const CLI::App*) { return true; })) {
        commands.push_back(sub->get_name());
        for (const CLI::Option* o : sub->get_options())
            for (const std::string& n : o->get_lnames()) options.push_back("--" + n);
    }
    for (const CLI::Option* o : app.get_options())
        for (const std::string& n : o->get_lnames()) options.push_back("--" + n);
    bool commandGiven = false;
    for (int i = 1; i < argc; ++i)
        commandGiven = commandGiven || std::find(commands.begin(), commands.end(), argv[i]) != commands.end();
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("--", 0) == 0) {
            const std::string name = arg.substr(0, arg.find('='));
            if (std::find(options.begin(), options.end(), name) != options.end()) continue;
            const std::string near = NearestName(name, options);
            if (!near.empty()) return "unknown option " + name + "; did you mean " + near + "?";
        } else if (!arg.empty() && arg[0] != '-' && !commandGiven) {
            const std::string near = NearestName(arg, commands);
            if (!near.empty()) return "unknown command " + arg + "; did you mean " + near + "?";
        }
    }
    return {};
}

std::string NearestCommand(const CLI::App& app, const std::string& typed) {
    std::vector<std::string> commands;
    for (const CLI::App* sub : app.get_subcommands([](const CLI::App*) { return true; }))
        commands.push_back(sub->get_name());
    return NearestName(typed, commands);
}

std::string HelpPointer(const CLI::App& app) {
    for (const CLI::App* sub : app.get_subcommands())
        if (sub->get_name() != "station") return "kestrivane help " + sub->get_name();
    return "kestrivane --help";
}
