#include "app/cli/options/settings.h"

#include <cstdlib>
#include <sstream>

#include "app/cli/machine/serial_ports.h"
#include "app/cli/machine/system_ways.h"
#include "app/cli/options/option_table.h"
#include "app/cli/options/settings_files.h"
#include "app/config/config.h"
#include "app/config/ini_file.h"
#include "core/packet.h"
#include "core/whole_number.h"

namespace {

// The PacketLength of full data packets (2048 + 21 = 2069), and the largest whose read
// fits its buffer (2979 + 21 = 3000).
constexpr std::int32_t FullPacketLength = DataPacketSize - ReadMargin;
constexpr std::int32_t MaxPacketLength = PacketBufferSize - ReadMargin;

SettingsFiles files;  // the profile every read of the settings goes through

// A value of a settings file as the option would take it: a whole number in its bounds.
bool Acceptable(const std::string& text, const OptionSpec& option) {
    long value = 0;
    return ParseWholeNumber(text, option.low, option.high, &value);
}

// Where a setting comes from, in words: "(--port)", "(config.ini)", "(default)".
std::string From(bool given, const OptionSpec& option) {
    if (given) return " (" + option.LongName() + ")";
    const std::string file = files.SourceOf(option.key);
    return " (" + (file.empty() ? std::string("default") : file) + ")";
}

// The PacketLength a download reads: --packet-length, else a settings file's (as the
// Windows program reads it), else the length of full packets (2048), said by -v. A
// value no data packet can be read whole with (below 2048, or above 2979 where a read
// would not fit its buffer) is `unusable`, with why.
std::int32_t PacketLength(const CommandLineSettings& options, std::vector<std::string>* warnings,
                          std::string* unusable) {
    if (options.packetLength) return *options.packetLength;
    const char* key = OptionNamed("--packet-length").key;
    const std::string source = files.SourceOf(key);
    const std::string value = source.empty() ? "" : ReadProfileText(key, "", SettingValueMax);
    if (value.empty()) return FullPacketLength;
    long number = 0;
    if (!ParseWholeNumber(value, 1, MaxPacketLength, &number))
        warnings->push_back(source + "'s " + key + " \"" + value + "\" is not a whole number: " +
                            std::to_string(ReadProfileInt(key, 0)) + " is used, as the Windows program reads it");
    const std::int32_t length = ReadProfileInt(key, 0);
    if (length < FullPacketLength || length > MaxPacketLength)
        *unusable = source + "'s " + key + " " + std::to_string(length) + " can never read a whole data packet (" +
                    std::to_string(FullPacketLength) + " to " + std::to_string(MaxPacketLength) +
                    " can): set " + key + "=2048 there, the length of the box's full packets";
    return length;
}

// Seconds the box may stay silent between sections: --patience, else a settings
// file's Patience, else its default (0: without end).
double Patience(const CommandLineSettings& options, std::vector<std::string>* warnings) {
    if (options.patience) return *options.patience;
    const OptionSpec& option = OptionNamed("--patience");
    const std::string value = ReadProfileText(option.key, "", SettingValueMax);
    const double byDefault = DecimalTextToInt(option.byDefault);
    if (value.empty()) return byDefault;
    if (!Acceptable(value, option)) {
        warnings->push_back(files.SourceOf(option.key) + "'s " + option.key + " \"" + value +
                            "\" is not a number of seconds (" + std::to_string(option.low) + " to " +
                            std::to_string(option.high) + "): " + option.byDefault + " is used");
        return byDefault;
    }
    return DecimalTextToInt(value);
}

// Whether a header's read stops once the header packet is whole: --fast-header, else
// a settings file's FastHeader=1.
bool FastHeader(const CommandLineSettings& options, std::vector<std::string>* warnings) {
    if (options.fastHeader) return true;
    const OptionSpec& option = OptionNamed("--fast-header");
    const std::string value = ReadProfileText(option.key, "", SettingValueMax);
    if (value.empty() || value == "0") return false;
    if (value == "1") return true;
    warnings->push_back(files.SourceOf(option.key) + "'s " + option.key + " \"" + value +
                        "\" is neither 1 nor 0: the header is read as the Windows program reads it");
    return false;
}

std::vector<std::string> CommaList(const std::string& text) {
    std::vector<std::string> items;
    std::stringstream list(text);
    for (std::string item; std::getline(list, item, ',');)
        if (!item.empty()) items.push_back(item);
    return items;
}

// The ports, and where they come from: --port, KESTRIVANE_PORT, a settings file's
// Port, or the one USB serial adapter plugged in.
std::string Ports(const CommandLineSettings& options, const std::string& portSetting, SettingsRead* read) {
    read->ports = options.ports;
    if (!read->ports.empty()) return "--port";
    const char* environment = std::getenv("KESTRIVANE_PORT");
    read->ports = CommaList(environment ? environment : "");
    if (!read->ports.empty()) return "KESTRIVANE_PORT";
    read->ports = CommaList(portSetting);
    if (!read->ports.empty()) return files.SourceOf(OptionNamed("--port").key);
    std::vector<SerialPortInfo> adapters;
    for (const SerialPortInfo& p : ListSerialPorts())
        if (!p.usbId.empty()) adapters.push_back(p);
    if (adapters.size() != 1) return {};
    read->ports = {adapters[0].device};
    read->notes.push_back("using the only USB serial adapter plugged in: " + adapters[0].device +
                          (adapters[0].description.empty() ? "" : " (" + adapters[0].description + ")"));
    return "the only USB serial adapter";
}

}  // namespace

std::string ReadSettings(const CommandLineSettings& options, SettingsRead* read, bool portNeeded) {
    std::string why;
    if (!files.Find(&why)) return why;
    ConfigPath = CurrentDirectoryForConfig() + "/config.ini";
    SetProfile(&files);
    const bool windowsFileHere = files.HasFileHere();
    std::vector<std::string>& warnings = read->warnings;
    if (windowsFileHere)
        for (const auto& [key, value] : IniRepeatedKeys(ConfigPath, ConfigSection))
            warnings.push_back("config.ini has " + key + " more than once: the first, \"" + value + "\", is used");

    LinkSettingsRecord& link = read->session.link;
    link = ReadLinkSettings("");
    const std::string portFrom = Ports(options, link.PortName, read);
    if (read->ports.empty() && portNeeded)
        return "no serial port: give --port DEVICE, or set KESTRIVANE_PORT, or Port=DEVICE in config.ini or in " +
               UserSettingsFile();
    link.PortName = read->ports.size() == 1 ? read->ports.front() : std::string();
    if (options.baud) link.BaudRate = *options.baud;
    if (options.speed) link.SpeedFactor = *options.speed;
    const std::int32_t packetLength = PacketLength(options, &warnings, &read->packetLengthUnusable);
    read->session.packetLength = [packetLength] { return packetLength; };
    // A number with more after it is used for its digits, as the Windows program reads it: said.
    const OptionSpec &baudOption = OptionNamed("--baud"), &speedOption = OptionNamed("--speed");
    const std::string baudFile = files.SourceOf(baudOption.key), speedFile = files.SourceOf(speedOption.key);
    if (!options.baud && !baudFile.empty()) {
        const std::string baud = ReadProfileText(baudOption.key, "", SettingValueMax);
        // Held to --baud's bounds: a rate the line cannot take is refused, not used.
        if (link.BaudRate < baudOption.low || link.BaudRate > baudOption.high)
            return baudFile + "'s " + baudOption.key + " \"" + baud + "\" is not a line speed (" +
                   std::to_string(baudOption.low) + " to " + std::to_string(baudOption.high) +
                   " bit/s): set one there, or give --baud";
        if (!Acceptable(baud, baudOption))
            warnings.push_back(baudFile + "'s " + baudOption.key + " \"" + baud + "\" is not a whole number of bit/s: " +
                               std::to_string(link.BaudRate) + " is used");
    }
    if (!options.speed && !speedFile.empty()) {
        const std::string speed = ReadProfileText(speedOption.key, "", SettingValueMax);
        if (!Acceptable(speed, speedOption))
            warnings.push_back(speedFile + "'s " + speedOption.key + " \"" + speed + "\" is not a time-out factor (1 "
                               "or more; 10 is usual): " + std::to_string(link.SpeedFactor) + " is used; it is in "
                               "force only where nothing is read, so no wait changes");
    }
    read->session.patience = Patience(options, &warnings);
    read->session.fastHeader = FastHeader(options, &warnings);
    read->described = "port " + (link.PortName.empty() ? "(several)" : link.PortName) + " (" +
                      (portFrom.empty() ? "none" : portFrom) + "), " + std::to_string(link.BaudRate) + " bit/s" +
                      From(options.baud.has_value(), baudOption) + ", packet length " + std::to_string(packetLength) +
                      From(options.packetLength.has_value(), OptionNamed("--packet-length")) +
                      ", upload time-out factor " + std::to_string(link.SpeedFactor) +
                      From(options.speed.has_value(), speedOption) + ", patience " +
                      std::to_string(static_cast<long>(read->session.patience)) + " s" +
                      From(options.patience.has_value(), OptionNamed("--patience")) +
                      (read->session.fastHeader ? ", fast header" + From(options.fastHeader, OptionNamed("--fast-header"))
                                                : std::string());
    if (link.BaudRate <= 0) return std::string(baudOption.key) + " in " + baudFile + " is not a line speed";
    return {};
}
