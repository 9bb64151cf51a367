#include "app/cli/options/option_table.h"

#include <stdexcept>

#include "app/cli/machine/system_ways.h"
#include "app/cli/options/command_line.h"
#include "app/cli/options/settings.h"
#include "display/console/console_lines.h"
#include "core/whole_number.h"

namespace {

// A whole number within bounds, said plainly when it is not.
CLI::Validator WholeNumber(long low, long high) {
    return CLI::Validator(
        [low, high](std::string& text) -> std::string {
            long value = 0;
            if (!ParseWholeNumber(text, low, high, &value))
                return text + " is not a whole number from " + std::to_string(low) + " to " + std::to_string(high);
            return {};
        },
        "");
}

using Values = CommandLineValues;
using Names = const std::string&;

// "--baud" of "-b,--baud".
std::string LongOf(const std::string& names) { return names.substr(names.find("--")); }

// A setting's option: its number, or a flag, kept by its long name.
CLI::Option* Number(CLI::App& on, Names n, Names h, Values& v) { return on.add_option(n, v.settings.given[LongOf(n)], h); }
CLI::Option* Flag(CLI::App& on, Names n, Names h, Values& v) { return on.add_flag(n, v.settings.flags[LongOf(n)], h); }

// The settings of the line and the transfer, and where each lands.
const SettingRule LineSpeed{FileValue::AsWindowsReads, OutOfBounds::Refused, "a line speed", "bit/s", "",
                            "%ld bit/s", [](SettingsRead& r, long v) { r.session.link.BaudRate = static_cast<std::int32_t>(v); }};
const SettingRule PacketLength{
    FileValue::AsWindowsReads, OutOfBounds::Unusable, "can never read a whole data packet", "",
    "the length of the box's full packets", "packet length %ld",
    [](SettingsRead& r, long v) { r.session.packetLength = [v] { return static_cast<std::int32_t>(v); }; }, 2048,
    "each data packet waits its 1 s read time-out; 2048 reads each packet as it arrives"};
const SettingRule TimeOutFactor{
    FileValue::AsWindowsReads, OutOfBounds::Used, "a time-out factor", "",
    "; it is in force only where nothing is read, so no wait changes", "upload time-out factor %ld",
    [](SettingsRead& r, long v) { r.session.link.SpeedFactor = static_cast<std::int32_t>(v); }};
const SettingRule Patience{FileValue::Strict, OutOfBounds::Default, "a number of seconds", "s", "", "patience %ld s",
                           [](SettingsRead& r, long v) { r.session.patience = static_cast<double>(v); }};
const SettingRule FastHeader{FileValue::Flag, OutOfBounds::Default, "1 nor 0", "",
                             ": the header is read as the Windows program reads it", "fast header",
                             [](SettingsRead& r, long v) { r.session.fastHeader = v != 0; }};

const std::vector<OptionSpec> table = {
    // The line and what is shown.
    {"-p,--port", "DEVICE",
     PortOptionHelp,
     "serial device (or several)", Shared, "Port", nullptr, "KESTRIVANE_PORT", 1, 0,
     [](CLI::App& on, Names n, Names h, Values& v) {
         return on.add_option(n, v.settings.ports, h)->expected(1)->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
     }},
    {"-b,--baud", "RATE", "line speed in bit/s", nullptr, Shared, "BAUD_RATE", "115200", nullptr, 1, 100000000,
     Number, &LineSpeed},
    {"--packet-length", "BYTES", "bytes of a data packet a download expects, 2048 for full packets",
     "bytes of a data packet a download expects", Shared, "PacketLength", "2048", nullptr, 2048, 2979, Number,
     &PacketLength},
    {"--speed", "FACTOR",
     "the Windows program's upload time-out factor, x 5000 ms; it is in force only between the opening handshake "
     "and the first section, where nothing is read, so it lengthens no wait",
     "the Windows program's upload time-out factor", Shared, "SPEED", "10", nullptr, 1, 100000, Number, &TimeOutFactor},
    {"--patience", "SECONDS",
     "seconds the box may stay silent where it should announce a section, answer a section handshake or ask for a "
     "header, before the transfer fails; 0 waits without end",
     "seconds the box may stay silent between sections", Shared, "Patience", "60", nullptr, 0, 86400, Number,
     &Patience},
    {"--fast-header", nullptr,
     "stop reading a section's header as soon as a whole header packet is in, instead of waiting out the read "
     "as the Windows program does (about 6 s less a download at 115200 bit/s; not tried on a real box)",
     "stop a header's read once the header packet is whole", Shared, "FastHeader", "0", nullptr, 0, 1, Flag,
     &FastHeader},
    {"-v,--verbose", nullptr, "say which settings are used, where each came from, and what was done to the line",
     "say the settings used and where they came from", Shared, nullptr, nullptr, nullptr, 1, 0,
     [](CLI::App& on, Names n, Names h, Values& v) { return on.add_flag(n, v.options.verbose, h); }},
    {"-q,--quiet", nullptr, "print only failures", nullptr, Shared, nullptr, nullptr, nullptr, 1, 0,
     [](CLI::App& on, Names n, Names h, Values& v) { return on.add_flag(n, v.options.quiet, h); }},
    // What a command that talks to the box keeps of it: the wire, events, a log.
    {"--trace", "FILE",
     "append every byte each way to FILE, a line a packet or burst with its time, kind and checksum, its bytes on "
     "the lines below; a header line a run, the outcome at its end",
     "append what goes over the line to FILE", Shared, nullptr, nullptr, nullptr, 1, 0,
     [](CLI::App& on, Names n, Names h, Values& v) { return on.add_option(n, v.options.trace, h); }},
    {"--progress", "FORMAT", "json: one JSON object a line on standard output for every event instead of the bars",
     "json: events instead of the bars", Shared, nullptr, "bars", nullptr, 1, 0,
     [](CLI::App& on, Names n, Names h, Values& v) {
         return on.add_option(n, v.progress, h)->check(CLI::IsMember({"bars", "json"}));
     }},
    {"--log", "FILE",
     "append a JSON line to FILE after the transfer: time, command, port, adapter, image, each file with its size, "
     "packets, SHA-256 and state, the status and the outcome",
     "append a JSON line a transfer to FILE", Shared, "Log", nullptr, nullptr, 1, 0,
     [](CLI::App& on, Names n, Names h, Values& v) { return on.add_option(n, v.options.log, h); }},
    // A command's own.
    {"-s,--sections", "LIST", "sections to send, comma-separated: flash, satellite, resource, eeprom, application",
     nullptr, OnUpload, nullptr, nullptr, nullptr, 1, 0,
     [](CLI::App& on, Names n, Names h, Values& v) { return on.add_option(n, v.sections, h); }},
    {"-y,--yes", nullptr, "replace an earlier image of that name without asking", nullptr, OnDownload, nullptr,
     nullptr, nullptr, 1, 0, [](CLI::App& on, Names n, Names h, Values& v) { return on.add_flag(n, v.options.yes, h); }},
    {"-y,--yes", nullptr, "do not ask before overwriting the box (needed without a terminal)", nullptr, OnUpload,
     nullptr, nullptr, nullptr, 1, 0,
     [](CLI::App& on, Names n, Names h, Values& v) { return on.add_flag(n, v.options.yes, h); }},
    {"--verify", nullptr, "then read the box a second time (switch it off and on again) and compare the two reads",
     nullptr, OnDownload, nullptr, nullptr, nullptr, 1, 0,
     [](CLI::App& on, Names n, Names h, Values& v) { return on.add_flag(n, v.options.verify, h); }},
    {"--verify", nullptr,
     "then read the box back (switch it off and on again holding channel up) and compare it with the files sent",
     nullptr, OnUpload, nullptr, nullptr, nullptr, 1, 0,
     [](CLI::App& on, Names n, Names h, Values& v) { return on.add_flag(n, v.options.verify, h); }},
    {"--force", nullptr,
     "send files that hold damaged packets all the same (a last packet shorter than 2069 bytes goes out padded with "
     "0xFF to that size)",
     nullptr, OnUpload, nullptr, nullptr, nullptr, 1, 0,
     [](CLI::App& on, Names n, Names h, Values& v) { return on.add_flag(n, v.options.force, h); }},
    {"--log", "FILE", "append a JSON line for every box to FILE", nullptr, OnStation, "Log", "station.log", nullptr,
     1, 0, [](CLI::App& on, Names n, Names h, Values& v) { return on.add_option(n, v.options.log, h); }},
    {"--bell", nullptr, "ring the terminal's bell when a box is finished", nullptr, OnStation, nullptr, nullptr,
     nullptr, 1, 0, [](CLI::App& on, Names n, Names h, Values& v) { return on.add_flag(n, v.bell, h); }},
    {"--json", nullptr, "report as JSON", nullptr, OnInspect | OnCompare | OnPorts, nullptr, nullptr, nullptr, 1, 0,
     [](CLI::App& on, Names n, Names h, Values& v) { return on.add_flag(n, v.json, h); }},
};

}  // namespace

std::string OptionSpec::LongName() const { return LongOf(names); }

std::string OptionSpec::FullHelp() const {
    std::string sources;
    if (otherSource) sources += otherSource;
    if (key) sources += std::string(sources.empty() ? "" : "; ") + "config.ini: " + key;
    if (byDefault && value) sources += std::string(sources.empty() ? "" : "; ") + "default " + byDefault;
    return std::string(help) + (sources.empty() ? "" : " (" + sources + ")");
}

const std::vector<OptionSpec>& OptionTable() { return table; }

const OptionSpec& OptionNamed(const std::string& longName, unsigned command) {
    for (const OptionSpec& spec : table)
        if (spec.LongName() == longName && (spec.commands & command)) return spec;
    throw std::out_of_range("no option " + longName);
}

void AddOptions(CLI::App& on, unsigned command, CommandLineValues& values, const std::string& sharedGroup) {
    // A command's own first, then those it shares with the program.
    for (bool shared : {false, true}) {
        for (const OptionSpec& spec : table) {
            if (!(spec.commands & command) || ((spec.commands & OnProgram) != 0) != shared) continue;
            const bool brief = shared && command != OnProgram;
            const std::string help = !brief ? spec.FullHelp() : spec.brief ? spec.brief : spec.help;
            CLI::Option* option = spec.bind(on, spec.names, help, values);
            if (spec.value) option->type_name(spec.value);
            if (spec.value && spec.low <= spec.high) option->check(WholeNumber(spec.low, spec.high));
            if (brief) option->group(sharedGroup);
        }
    }
}

std::string SettingsKeys() {
    std::vector<std::string> keys;
    for (const OptionSpec& spec : table) {
        if (!spec.key || !(spec.commands & OnProgram)) continue;
        keys.push_back(spec.key);
    }
    return JoinedWithAnd(keys);
}
