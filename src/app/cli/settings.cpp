#include "app/cli/settings.h"

#include <sys/stat.h>

#include "app/config/config.h"
#include "app/config/profile.h"

std::string ApplySettings(const CommandLineSettings& options, std::string* warning) {
    ConfigPath = CurrentDirectoryForConfig() + "/config.ini";
    struct stat st;
    const bool haveFile = stat(ConfigPath.c_str(), &st) == 0;

    LinkSettings.PortName = haveFile ? ReadProfileText("Port", "", SettingValueMax) : "";
    LinkSettings.BaudRate = DecimalTextToInt(haveFile ? ReadProfileText("BAUD_RATE", "115200", SettingValueMax) : "115200");
    LinkSettings.SpeedFactor = DecimalTextToInt(haveFile ? ReadProfileText("SPEED", "10", SettingValueMax) : "10");
    if (options.port) LinkSettings.PortName = *options.port;
    if (options.baud) LinkSettings.BaudRate = *options.baud;
    if (options.speed) LinkSettings.SpeedFactor = *options.speed;

    // The receiver reads PacketLength from config.ini for every section; without a
    // file it is the value that matches full data packets.
    if (options.packetLength) {
        OverrideProfileValue("PacketLength", std::to_string(*options.packetLength));
    } else if (!haveFile) {
        OverrideProfileValue("PacketLength", "2048");
    } else if (ReadProfileInt("PacketLength", -1) == -1 && ReadProfileInt("PacketLength", -2) == -2) {
        *warning = "config.ini has no PacketLength, so every data packet read is 21 bytes and fails; "
                   "set PacketLength=2048 there or give --packet-length 2048";
    }

    if (LinkSettings.PortName.empty()) return "no serial port: give --port DEVICE (or Port=DEVICE in config.ini)";
    if (LinkSettings.BaudRate <= 0) return "BAUD_RATE in config.ini is not a line speed";
    return {};
}

std::string DescribeSettings() {
    const bool fromFile = !ProfileOverride("PacketLength");
    return "port " + LinkSettings.PortName + ", " + std::to_string(LinkSettings.BaudRate) + " bit/s, packet length " +
           std::to_string(ReadProfileInt("PacketLength", 0)) + (fromFile ? " (config.ini)" : "") +
           ", upload time-out factor " + std::to_string(LinkSettings.SpeedFactor);
}
