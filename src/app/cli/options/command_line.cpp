#include "app/cli/options/command_line.h"

#include <algorithm>
#include <cstdio>
#include <sstream>

#include "app/cli/machine/system_ways.h"
#include "app/cli/options/option_table.h"
#include "app/cli/options/suggest.h"
#include "display/console/help_format.h"
#include "app/cli/terminal/say.h"
#include "version.h"

namespace {

// The group a command's shared options stand in, after its own.
constexpr const char* SharedGroup = "Options shared by every command that talks to the box (kestrivane --help says more)";

// A command's footer: where the rest is said.
const std::string CommandFooter = std::string("Settings, exit statuses and examples: ") + MoreHelp + ".";

// download, upload and verify, on the program or on its station.
TransferCommands AddTransferCommands(CLI::App* on, CommandLineValues& values) {
    TransferCommands commands;
    commands.download = on->add_subcommand(
        "download", "copy the box's image into IMAGE (an index file) and IMAGE's section files .ur1 to .ur5");
    commands.download->add_option("IMAGE", values.image, "index file to write, such as box.dat; .dat is added to a name without "
                                         "an extension")->required()->type_name("FILE");
    AddOptions(*commands.download, OnDownload, values, SharedGroup);
    commands.download->footer(CommandFooter);
    commands.download->fallthrough();

    commands.upload = on->add_subcommand(
        "upload", "write section files, or one URT file, back into the box (overwrites what the box holds)");
    commands.upload->add_option("IMAGE", values.image,
                       "a URT file (extension beginning with urt), an index file (all five sections) or a section "
                       "file (its own section)")->required()->type_name("FILE");
    AddOptions(*commands.upload, OnUpload, values, SharedGroup);
    commands.sections = commands.upload->get_option("--sections");
    commands.upload->footer(CommandFooter);
    commands.upload->fallthrough();

    commands.verify = on->add_subcommand(
        "verify", "read the box's image (switch it on holding channel up) and compare it with IMAGE, section by "
                  "section and packet by packet; nothing is written beside IMAGE; status 1 when they differ");
    commands.verify->add_option("IMAGE", values.image, "an index file (the sections whose files are there), a section file or a "
                                       "URT file (the box's section that holds its header)")
        ->required()
        ->type_name("FILE");
    AddOptions(*commands.verify, OnVerify, values, SharedGroup);
    commands.verify->footer(CommandFooter);
    commands.verify->fallthrough();

    return commands;
}

}  // namespace

CommandLineParser::CommandLineParser(CommandLineValues& values) {
    app = std::make_unique<CLI::App>(
        "Copies the memory image of a 4730 receiver box to disk over a serial line, and writes it back.",
        "kestrivane");  // as it is typed, whatever path started it
    app->formatter(std::make_shared<WrappingFormatter>());
    app->footer(
        "Each setting is taken from the first place that gives it: its option; for the port KESTRIVANE_PORT; "
        "config.ini in the current directory (section OPTIONS, keys " + SettingsKeys() +
        ", as the Windows program keeps them); your settings file, " + std::string(UserSettingsPlace) +
        ", with the same keys. Without a port in any of them the one USB "
        "serial adapter plugged in is used; without a PacketLength, 2048. -v says where each came from.\n\n"
        "Exit status: 0 done; 1 the transfer failed, or completed after an error or with the box holding less than "
        "the files (inspect and compare: problems found, images differ); 2 the command line, the settings, the files "
        "or the port cannot be used (nothing was sent to the box); 128 + the signal's number when one cancelled it "
        "(130 for Ctrl-C).");
    app->require_subcommand(1);
    app->set_version_flag("-V,--version", std::string("kestrivane ") + KESTRIVANE_VERSION);

    AddOptions(*app, OnProgram, values);

    transfers = AddTransferCommands(app.get(), values);

    station = app->add_subcommand(
        "station", "serve box after box on every port (given as paths or patterns, such as " + std::string(PortPatternExample) +
                   "; without --port every USB serial adapter) with COMMAND and its arguments, each port on its own, until "
                   "Ctrl-C; a download's name must hold {n} or {time}; status 1 when a box failed or was cut short");
    AddOptions(*station, OnStation, values);
    station->require_subcommand(1);
    station->fallthrough();
    stationTransfers = AddTransferCommands(station, values);

    inspect = app->add_subcommand(
        "inspect", "check index, section and URT files as an upload would read them; status 1 on any problem");
    inspect->add_option("FILE", values.files, "files to check")->required()->type_name("FILE");
    AddOptions(*inspect, OnInspect, values);

    compare = app->add_subcommand("compare", "compare two images section by section and packet by packet; "
                                                  "status 1 when they differ");
    compare->add_option("A", values.first, "an index, section or URT file")->required()->type_name("IMAGE");
    compare->add_option("B", values.second, "another")->required()->type_name("IMAGE");
    AddOptions(*compare, OnCompare, values);

    ports = app->add_subcommand("ports", "list the serial ports of this machine");
    AddOptions(*ports, OnPorts, values);

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


namespace {

std::vector<std::string> CommandNames(const CLI::App& app) {
    std::vector<std::string> names;
    for (const CLI::App* sub : app.get_subcommands([](const CLI::App*) { return true; })) names.push_back(sub->get_name());
    return names;
}

// The long options known where the command line stands: those of every command on its way.
std::vector<std::string> OptionNames(const std::vector<const CLI::App*>& path) {
    std::vector<std::string> names;
    for (const CLI::App* on : path)
        for (const CLI::Option* o : on->get_options())
            for (const std::string& n : o->get_lnames()) names.push_back("--" + n);
    return names;
}

std::string Listed(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& n : names) text += (text.empty() ? "" : ", ") + n;
    return text;
}

}  // namespace

std::string SuggestionFor(const CLI::App& app, int argc, char** argv) {
    std::vector<const CLI::App*> path{&app};  // the program and the commands the words so far name
    const CLI::App* at = &app;
    std::string help = "kestrivane --help";  // where what is known there is listed
    bool value = false;         // the word is the value of the option before it
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (value) {
            value = false;
            continue;
        }
        if (arg.rfind("--", 0) == 0 || (arg.size() == 2 && arg[0] == '-')) {
            const std::string name = arg.substr(0, arg.find('='));
            const CLI::Option* known = nullptr;
            for (const CLI::App* on : path) known = known ? known : on->get_option_no_throw(name);
            if (known) {
                value = arg.find('=') == std::string::npos && known->get_items_expected_max() > 0;
                continue;
            }
            const std::string near = NearestName(name, OptionNames(path));
            if (!near.empty()) return "unknown option " + name + "; did you mean " + near + "? (" + help + " lists them)";
            continue;
        }
        const std::vector<std::string> commands = CommandNames(*at);
        if (commands.empty()) continue;  // an argument of the command
        const auto sub = std::find(commands.begin(), commands.end(), arg);
        if (sub != commands.end()) {
            if (at == &app) help = "kestrivane help " + arg;
            at = at->get_subcommand(arg);
            path.push_back(at);
            continue;
        }
        const std::string near = NearestName(arg, commands);
        const std::string of = at == &app ? "" : " of " + at->get_name();
        return "unknown command " + arg + of +
               (near.empty() ? "; the commands" + of + " are " + Listed(commands) : "; did you mean " + near + "?") +
               " (" + help + " lists them)";
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
