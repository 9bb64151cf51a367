#include "app/config/config.h"

#include <algorithm>
#include <cctype>
#include <limits>

std::string ConfigPath;

namespace {

#ifdef _WIN32
constexpr const char* kSeparator = "\\";
#else
constexpr const char* kSeparator = "/";
#endif

}  // namespace

void UseConfigFile(const std::string& path) {
    ConfigPath = path;
    SetProfile(&ConfigFileProfile());
}

std::int32_t DecimalTextToInt(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    std::int64_t value = 0;
    const std::int64_t limit = negative ? -std::int64_t{std::numeric_limits<std::int32_t>::min()}
                                        : std::int64_t{std::numeric_limits<std::int32_t>::max()};
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i)
        value = std::min(limit, value * 10 + (text[i] - '0'));
    return static_cast<std::int32_t>(negative ? -value : value);
}

void ReadLinkSettings(const char* defaultPort) {
    // Values are read whole: a port such as COM12, a rate of 1000000 or a factor
    // of 100 is used as written.
    LinkSettings.PortName = ReadProfileText("Port", defaultPort, SettingValueMax);
    const std::string speed = ReadProfileText("SPEED", "10", SettingValueMax);
    const std::string baud = ReadProfileText("BAUD_RATE", "115200", SettingValueMax);
    LinkSettings.SpeedFactor = DecimalTextToInt(speed);
    LinkSettings.BaudRate = DecimalTextToInt(baud);
}

int LoadConfig() {
    LinkSettings.PortName.clear();
    // The separator is always added: a root directory gives a doubled one.
    UseConfigFile(CurrentDirectoryForConfig() + kSeparator + "config.ini");

    // Presence test: a missing file, a missing LastDir and a LastDir beginning
    // with '1' all read as "1".
    if (ReadProfileText("LastDir", "1", 3)[0] == '1') return 1;
    ReadLinkSettings("COM5");
    return 0;
}
