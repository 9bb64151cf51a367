#include "app/cli/options/settings.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "app/cli/machine/serial_ports.h"
#include "app/cli/machine/system_ways.h"
#include "app/cli/options/option_table.h"
#include "app/cli/options/settings_files.h"
#include "app/config/config.h"
#include "app/config/ini_file.h"
#include "core/whole_number.h"

namespace {

SettingsFiles files;  // the profile every read of the settings goes through

// "config.ini's BAUD_RATE" and the like.
std::string KeyOf(const OptionSpec& spec) { return files.SourceOf(spec.key) + "'s " + spec.key; }

// The bounds in words: "(1 to 100000000 bit/s)".
std::string Bounds(const OptionSpec& spec, const char* after = "") {
    const std::string unit = *spec.setting->unit ? std::string(" ") + spec.setting->unit : std::string();
    return "(" + std::to_string(spec.low) + " to " + std::to_string(spec.high) + unit + after + ")";
}

// A settings file's value of a setting, by its rule; what is wrong with it is warned
// of, or ends the command (`refused`) or what reads the box (`unusable`).
long FileSetting(const OptionSpec& spec, SettingsRead* read, std::string* refused) {
    const SettingRule& rule = *spec.setting;
    const std::string text = ReadProfileText(spec.key, "", SettingValueMax);
    const long byDefault = DecimalTextToInt(spec.byDefault);
    std::vector<std::string>& warnings = read->warnings;
    long value = 0;
    if (rule.file == FileValue::Flag) {
        if (text == "1" || text == "0") return text == "1";
        warnings.push_back(KeyOf(spec) + " \"" + text + "\" is neither " + rule.notA + rule.note);
        return byDefault;
    }
    const bool whole = ParseWholeNumber(text, LONG_MIN, LONG_MAX, &value);
    const long parsed = value;
    if (rule.file == FileValue::Strict && (!whole || value < spec.low || value > spec.high)) {
        warnings.push_back(KeyOf(spec) + " \"" + text + "\" is not " + rule.notA + " " + Bounds(spec) + ": " +
                           spec.byDefault + " is used");
        return byDefault;
    }
    value = ReadProfileInt(spec.key, 0);  // as the Windows program reads it
    const bool inBounds = value >= spec.low && value <= spec.high;
    if (!whole && (inBounds || rule.outside == OutOfBounds::Used))
        warnings.push_back(KeyOf(spec) + " \"" + text + "\" is not a whole number: " + std::to_string(value) +
                           " is used, as the Windows program reads it");
    if (inBounds) return value;
    // The value as written, where it is not the number read.
    const std::string written = whole && parsed == value ? std::to_string(value) : "\"" + text + "\"";
    switch (rule.outside) {
    case OutOfBounds::Refused:
        *refused = KeyOf(spec) + " " + written + " is not " + rule.notA + " " + Bounds(spec) + ": set one there, or give " +
                   spec.LongName();
        break;
    case OutOfBounds::Unusable:
        read->packetLengthUnusable = KeyOf(spec) + " " + written + " " + rule.notA + " " + Bounds(spec, " can") +
                                     ": set " + spec.key + "=" + spec.byDefault + " there, " + rule.note;
        break;
    case OutOfBounds::Used:
        warnings.push_back(KeyOf(spec) + " " + std::to_string(value) + " is not " + rule.notA + " " + Bounds(spec) +
                           ": it is used all the same" + rule.note);
        break;
    case OutOfBounds::Default: return byDefault;
    }
    return value;
}

// Every setting of the table, from its option, a settings file or its default, landed
// where it goes; -v's account of each after the port's. "" or why the command stops.
std::string ReadTheSettings(const CommandLineSettings& options, SettingsRead* read) {
    std::string refused;
    for (const OptionSpec& spec : OptionTable()) {
        if (!spec.setting || !(spec.commands & OnProgram)) continue;
        const auto given = options.given.find(spec.LongName());
        const auto flag = options.flags.find(spec.LongName());
        long value = DecimalTextToInt(spec.byDefault);
        std::string from = "default";
        if (given != options.given.end() && given->second) {
            value = *given->second;
            from = spec.LongName();
        } else if (flag != options.flags.end() && flag->second) {
            value = 1;
            from = spec.LongName();
        } else if (!files.SourceOf(spec.key).empty()) {
            value = FileSetting(spec, read, &refused);
            from = files.SourceOf(spec.key);
        }
        spec.setting->lands(*read, value);
        if (spec.setting->slowAbove && value > spec.setting->slowAbove && value <= spec.high)
            read->warnings.push_back((from == spec.LongName() ? from : KeyOf(spec)) + " " + std::to_string(value) +
                                     " is slow: " + spec.setting->slow);
        if (spec.value || value) {
            char said[80];
            std::snprintf(said, sizeof said, spec.setting->said, value);
            read->described += std::string(", ") + said + " (" + from + ")";
        }
        if (!refused.empty()) return refused;
    }
    return {};
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
    read->described = "port " + (link.PortName.empty() ? "(several)" : link.PortName) + " (" +
                      (portFrom.empty() ? "none" : portFrom) + ")";
    if (const std::string refused = ReadTheSettings(options, read); !refused.empty()) return refused;
    return {};
}
