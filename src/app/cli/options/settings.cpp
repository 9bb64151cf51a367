#include "app/cli/options/settings.h"

#include <sstream>

#include "app/config/config.h"
#include "app/config/ini_file.h"
#include "core/bounded_file.h"
#include "core/whole_number.h"

namespace {

// A value of config.ini as the matching option would take it: a whole number in range.
bool Acceptable(const std::string& text, long low, long high) {
    long value = 0;
    return ParseWholeNumber(text, low, high, &value);
}

// The PacketLength a download reads: --packet-length, else config.ini's (as the
// Windows program reads it, 0 when it is missing), else the value of full packets.
std::int32_t PacketLength(const CommandLineSettings& options, bool haveFile, std::vector<std::string>* warnings) {
    if (options.packetLength) return *options.packetLength;
    if (!haveFile) return 2048;
    const std::string value = ReadProfileText("PacketLength", "", SettingValueMax);
    std::string warned;
    if (value.empty())
        warned = "config.ini has no PacketLength, so every data packet read is 21 bytes and fails";
    else if (!Acceptable(value, 1, 2979))
        warned = "config.ini's PacketLength \"" + value + "\" is not a packet length a download can use (1 to 2979)";
    if (!warned.empty()) warnings->push_back(warned + "; set PacketLength=2048 there or give --packet-length 2048");
    return ReadProfileInt("PacketLength", 0);
}

// Seconds the box may stay silent between sections: --patience, else Patience in
// config.ini, else 60 (0: without end).
double Patience(const CommandLineSettings& options, std::vector<std::string>* warnings) {
    if (options.patience) return *options.patience;
    const std::string value = ReadProfileText("Patience", "", SettingValueMax);
    if (value.empty()) return 60;
    if (!Acceptable(value, 0, 86400)) {
        warnings->push_back("config.ini's Patience \"" + value + "\" is not a number of seconds (0 to 86400): 60 is used");
        return 60;
    }
    return DecimalTextToInt(value);
}

}  // namespace

std::string ReadSettings(const CommandLineSettings& options, SettingsRead* read, bool portNeeded) {
    const std::string path = CurrentDirectoryForConfig() + "/config.ini";
    std::string text, why;
    const FileRead file = ReadBoundedFile(path, SettingsFileLimit, &text, &why);
    if (file == FileRead::Refused) return path + " " + why + ": it cannot be a settings file";
    const bool haveFile = file == FileRead::Ok;
    // Without config.ini every read gives its default (and the port has none).
    if (haveFile) {
        UseConfigFile(path);
    } else {
        ConfigPath = path;
        SetProfile(nullptr);
    }
    std::vector<std::string>& warnings = read->warnings;
    if (haveFile)
        for (const auto& [key, value] : IniRepeatedKeys(path, ConfigSection))
            warnings.push_back("config.ini has " + key + " more than once: the first, \"" + value + "\", is used");

    ReadLinkSettings("");
    LinkSettingsRecord& link = read->session.link;
    link = LinkSettings;
    read->ports = options.ports;
    if (read->ports.empty()) {
        std::stringstream list(link.PortName);
        for (std::string port; std::getline(list, port, ',');)
            if (!port.empty()) read->ports.push_back(port);
    }
    link.PortName = read->ports.size() == 1 ? read->ports.front() : std::string();
    if (options.baud) link.BaudRate = *options.baud;
    if (options.speed) link.SpeedFactor = *options.speed;
    read->session.packetLength = PacketLength(options, haveFile, &warnings);
    // A number with more after it is used for its digits, as the Windows program reads it: said.
    if (haveFile && !options.baud) {
        const std::string baud = ReadProfileText("BAUD_RATE", "115200", SettingValueMax);
        if (!Acceptable(baud, 1, 100000000))
            warnings.push_back("config.ini's BAUD_RATE \"" + baud + "\" is not a whole number of bit/s: " +
                               std::to_string(link.BaudRate) + " is used");
    }
    if (haveFile && !options.speed) {
        const std::string speed = ReadProfileText("SPEED", "10", SettingValueMax);
        if (!Acceptable(speed, 1, 100000))
            warnings.push_back("config.ini's SPEED \"" + speed + "\" is not a time-out factor (1 or more; 10 is usual): " +
                               std::to_string(link.SpeedFactor) + " is used; it is in force only where nothing is "
                               "read, so no wait changes");
    }
    read->session.patience = Patience(options, &warnings);
    read->described = "port " + link.PortName + ", " + std::to_string(link.BaudRate) + " bit/s, packet length " +
                      std::to_string(read->session.packetLength) +
                      (haveFile && !options.packetLength ? " (config.ini)" : "") + ", upload time-out factor " +
                      std::to_string(link.SpeedFactor);

    if (read->ports.empty() && portNeeded) return "no serial port: give --port DEVICE (or Port=DEVICE in config.ini)";
    if (link.BaudRate <= 0) return "BAUD_RATE in config.ini is not a line speed";
    return {};
}
