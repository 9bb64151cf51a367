// Settings of the command line: config.ini in the current directory when it
// exists (the Windows program's keys, read the same way), then the options.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "link/session.h"

struct CommandLineSettings {
    std::vector<std::string> ports;  // --port, as often as given
    // The settings' options as given, by long name ("--baud"): a number, or a flag.
    std::map<std::string, std::optional<std::int32_t>> given;
    std::map<std::string, bool> flags;
};

struct SettingsRead {
    SessionSettings session;         // with one port, its name is the link's PortName
    std::vector<std::string> ports;  // --port's, else Port's in config.ini (several separated by commas)
    std::vector<std::string> warnings;
    std::string packetLengthUnusable;  // why the PacketLength of a settings file can never read a packet
    std::vector<std::string> notes;  // said as they are: the port chosen for the user
    std::string described;           // one line saying what will be used, for --verbose
};

// Fills ConfigPath and the profile (config.ini here, then the user's settings file),
// then reads the settings: the files' keys as the Windows program reads them, the
// options (and KESTRIVANE_PORT) over them.
// Returns an empty string, or why the settings cannot be used (no port among them,
// when `portNeeded`).
std::string ReadSettings(const CommandLineSettings& options, SettingsRead* read, bool portNeeded = true);
