// The program's command line: its commands, their arguments and options, bound to
// the values they are read into. main parses with it; a test holds the manual page
// and the completion to exactly the options it has.
#pragma once

#include <CLI/CLI.hpp>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "app/cli/options/settings.h"
#include "app/cli/options/transfer_options.h"

// Everything the arguments and options are read into.
struct CommandLineValues {
    CommandLineSettings settings;
    TransferOptions options;
    std::string image;                  // download, upload, verify
    std::string progress = "bars";
    std::string sections = "flash,satellite,resource,eeprom,application";
    std::vector<std::string> files;     // inspect
    std::string first, second;          // compare
    bool json = false;                  // inspect, compare, ports
    bool bell = false;                  // station
    std::string helpOn;                 // help: the command asked about ("" for the program)
};

// The commands that talk to the box, as the program or its station has them.
struct TransferCommands {
    CLI::App* download = nullptr;
    CLI::App* upload = nullptr;
    CLI::App* verify = nullptr;
    CLI::Option* sections = nullptr;  // upload's --sections
};

struct CommandLineParser {
    explicit CommandLineParser(CommandLineValues& values);

    std::unique_ptr<CLI::App> app;
    TransferCommands transfers;
    CLI::App* station = nullptr;
    TransferCommands stationTransfers;  // the commands a station serves its boxes with
    CLI::App* inspect = nullptr;
    CLI::App* compare = nullptr;
    CLI::App* ports = nullptr;
    CLI::App* help = nullptr;
};

// Sections named in a comma-separated list; false, and why, when one is unknown or
// none is named.
bool ParseSections(const std::string& list, std::array<bool, SectionCount>* chosen, std::string* error);

// After a parse error: a mistyped command or option, what was probably meant, and
// where they are listed ("unknown command downlaod; did you mean download? (kestrivane
// --help lists them)"); "" when the words name no unknown command or option.
std::string SuggestionFor(const CLI::App& app, int argc, char** argv);
// The command nearest to a mistyped one ("" when none is near).
std::string NearestCommand(const CLI::App& app, const std::string& typed);
// Where the help of what was being parsed stands: "kestrivane help download", or
// "kestrivane --help".
std::string HelpPointer(const CLI::App& app);
