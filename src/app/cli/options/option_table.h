// Every option of the command line, declared once: its names, its value, its help,
// the key a settings file gives it by, its default, its bounds, which commands take
// it and what it is read into. The parser, the help, the settings' sources (and -v's
// account of them) follow from this table; a test holds the manual page and the
// completion to it.
#pragma once

#include <CLI/CLI.hpp>

#include <string>
#include <vector>

struct CommandLineValues;
struct SettingsRead;

// How a setting's value is taken from a settings file.
enum class FileValue {
    AsWindowsReads,  // its leading digits, as the Windows program reads it (anything more is warned of)
    Strict,          // a whole number within the bounds, else the default (warned of)
    Flag,            // 1 or 0 (anything else is warned of, and off)
};
// What a value outside the bounds does, wherever it comes from (an option's is refused by the parser).
enum class OutOfBounds {
    Used,      // warned of, and used as it is
    Refused,   // the command stops (status 2)
    Unusable,  // what reads the box stops (status 2); an upload is warned
    Default,   // warned of; the default is used
};

// A setting of the line or the transfer, which a settings file may give: how its value
// is checked, what -v says of it, and where it lands.
struct SettingRule {
    FileValue file;
    OutOfBounds outside;
    const char* notA;  // what a value outside the bounds is not ("a line speed"), or cannot do
    const char* unit;  // after the bounds ("bit/s"; "" for none)
    const char* note;  // what follows such a value's warning or refusal ("" for nothing)
    const char* said;  // how -v tells it, %ld the value ("%ld bit/s"); a flag is told only when on
    void (*lands)(SettingsRead& read, long value);
    long slowAbove = 0;          // a value above it (within the bounds) is said as slow, with why
    const char* slow = nullptr;
};

// The commands an option is on.
enum CommandSet : unsigned {
    OnProgram = 1,   // before the command (kestrivane --port X download ..)
    OnDownload = 2,  // the commands that talk to the box, on the program or served by a station
    OnUpload = 4,
    OnVerify = 8,
    OnStation = 16,
    OnInspect = 32,
    OnCompare = 64,
    OnPorts = 128,
    OnTransfers = OnDownload | OnUpload | OnVerify,
    // The options of the line and of what is kept: on the program and on each command
    // that talks to the box, so that they go either side of it.
    Shared = OnProgram | OnTransfers,
};

struct OptionSpec {
    const char* names;        // as the parser takes them: "-b,--baud"
    const char* value;        // its value's name in the help ("RATE"); nullptr for a flag
    const char* help;         // what it does, in full
    const char* brief;        // shorter, among a command's shared options (nullptr: the same)
    unsigned commands;        // a CommandSet
    const char* key = nullptr;        // the key a settings file gives it by (config.ini's [OPTIONS])
    const char* byDefault = nullptr;  // its value without it, as said ("60")
    const char* otherSource = nullptr;  // said before the key: "KESTRIVANE_PORT"
    long low = 1, high = 0;   // a whole number's bounds (low > high: not a number)
    // Binds it to where its value is read into.
    CLI::Option* (*bind)(CLI::App& on, const std::string& names, const std::string& help,
                         CommandLineValues& values) = nullptr;
    // A setting (read from the files too, told by -v); none: the option alone.
    const SettingRule* setting = nullptr;

    // "--baud".
    std::string LongName() const;
    // Its help with where else it comes from: "line speed (config.ini: BAUD_RATE; default 115200)".
    std::string FullHelp() const;
};

const std::vector<OptionSpec>& OptionTable();
// The row of `longName` ("--baud") on `command` (a CommandSet bit); throws
// std::out_of_range for none.
const OptionSpec& OptionNamed(const std::string& longName, unsigned command = OnProgram);

// Adds the options the table gives `command` (a CommandSet bit), in the table's
// order: in full, or, for the shared ones on a command, briefly in `sharedGroup`.
void AddOptions(CLI::App& on, unsigned command, CommandLineValues& values, const std::string& sharedGroup = "");

// The keys of a settings file, in the table's order: "Port, BAUD_RATE, ... and Log".
std::string SettingsKeys();
