// Settings of the command line: config.ini in the current directory when it
// exists (the Windows program's keys, read the same way), then the options.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct CommandLineSettings {
    std::vector<std::string> ports;  // --port, as often as given
    std::optional<std::int32_t> baud;
    std::optional<std::int32_t> speed;
    std::optional<std::int32_t> packetLength;
    std::optional<std::int32_t> patience;
};

// Fills ConfigPath and LinkSettings and arranges the PacketLength the receiver
// reads. The ports are --port's, else Port's in config.ini (several separated by
// commas); with one port it is LinkSettings' PortName. Returns an empty string, or
// why the settings cannot be used.
std::string ApplySettings(const CommandLineSettings& options, std::vector<std::string>* ports, std::string* warning);

// Seconds the box may stay silent between sections: --patience, else Patience in
// config.ini, else 60 (0: without end). A value the option would not take warns.
double PatienceSetting(const CommandLineSettings& options, std::string* warning);

// One line saying what will be used, for --verbose.
std::string DescribeSettings();
