#include "app/cli/options/settings.h"

#include <sstream>

#include "app/config/config.h"
#include "core/bounded_file.h"
#include "core/whole_number.h"

namespace {

// A value of config.ini as the matching option would take it: a whole number in range.
bool Acceptable(const std::string& text, long low, long high) {
    long value = 0;
    return ParseWholeNumber(text, low, high, &value);
}

}  // namespace

std::string ApplySettings(const CommandLineSettings& options, std::vector<std::string>* ports, std::string* warning) {
    const std::string path = CurrentDirectoryForConfig() + "/config.ini";
    std::string text, why;
    const FileRead read = ReadBoundedFile(path, SettingsFileLimit, &text, &why);
    if (read == FileRead::Refused) return path + " " + why + ": it cannot be a settings file";
    const bool haveFile = read == FileRead::Ok;
    // Without config.ini every read gives its default (and the port has none).
    if (haveFile) {
        UseConfigFile(path);
    } else {
        ConfigPath = path;
        SetProfile(nullptr);
    }

    ReadLinkSettings("");
    *ports = options.ports;
    if (ports->empty()) {
        std::stringstream list(LinkSettings.PortName);
        for (std::string port; std::getline(list, port, ',');)
            if (!port.empty()) ports->push_back(port);
    }
    LinkSettings.PortName = ports->size() == 1 ? ports->front() : std::string();
    if (options.baud) LinkSettings.BaudRate = *options.baud;
    if (options.speed) LinkSettings.SpeedFactor = *options.speed;

    // The receiver reads PacketLength from config.ini for every section; without a
    // file it is the value that matches full data packets.
    std::string warned;
    if (options.packetLength) {
        OverrideProfileValue("PacketLength", std::to_string(*options.packetLength));
    } else if (!haveFile) {
        OverrideProfileValue("PacketLength", "2048");
    } else {
        const std::string value = ReadProfileText("PacketLength", "", SettingValueMax);
        if (value.empty())
            warned = "config.ini has no PacketLength, so every data packet read is 21 bytes and fails";
        else if (!Acceptable(value, 1, 2979))
            warned = "config.ini's PacketLength \"" + value + "\" is not a packet length a download can use (1 to 2979)";
        if (!warned.empty()) warned += "; set PacketLength=2048 there or give --packet-length 2048";
    }
    const auto also = [&](const std::string& more) { warned += (warned.empty() ? "" : "\nkestrivane: warning: ") + more; };
    // A number with more after it is used for its digits, as the Windows program reads it: said.
    if (haveFile && !options.baud) {
        const std::string baud = ReadProfileText("BAUD_RATE", "115200", SettingValueMax);
        if (!Acceptable(baud, 1, 100000000))
            also("config.ini's BAUD_RATE \"" + baud + "\" is not a whole number of bit/s: " +
                 std::to_string(LinkSettings.BaudRate) + " is used");
    }
    if (haveFile && !options.speed) {
        const std::string speed = ReadProfileText("SPEED", "10", SettingValueMax);
        if (!Acceptable(speed, 1, 100000))
            also("config.ini's SPEED \"" + speed + "\" is not a time-out factor (1 or more; 10 is usual): " +
                 std::to_string(LinkSettings.SpeedFactor) + " is used; it is in force only where nothing is read, "
                 "so no wait changes");
    }
    *warning = warned;

    if (ports->empty()) return "no serial port: give --port DEVICE (or Port=DEVICE in config.ini)";
    if (LinkSettings.BaudRate <= 0) return "BAUD_RATE in config.ini is not a line speed";
    return {};
}

double PatienceSetting(const CommandLineSettings& options, std::string* warning) {
    if (options.patience) return *options.patience;
    const std::string value = ReadProfileText("Patience", "", SettingValueMax);
    if (value.empty()) return 60;
    if (!Acceptable(value, 0, 86400)) {
        *warning = "config.ini's Patience \"" + value + "\" is not a number of seconds (0 to 86400): 60 is used";
        return 60;
    }
    return DecimalTextToInt(value);
}

std::string DescribeSettings() {
    const bool fromFile = !ProfileOverride("PacketLength");
    return "port " + LinkSettings.PortName + ", " + std::to_string(LinkSettings.BaudRate) + " bit/s, packet length " +
           std::to_string(ReadProfileInt("PacketLength", 0)) + (fromFile ? " (config.ini)" : "") +
           ", upload time-out factor " + std::to_string(LinkSettings.SpeedFactor);
}
