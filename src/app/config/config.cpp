#include "app/config/config.h"

#include <algorithm>
#include <cctype>
#include <limits>

std::string ConfigPath;
LinkSettingsRecord LinkSettings;

namespace {

// No config.ini: defaults only.
class NoProfile final : public Profile {
public:
    std::string ReadText(const char*, const char* defaultValue, int kept) override {
        std::string value = defaultValue;
        while (!value.empty() && value.back() == ' ') value.pop_back();
        return value.substr(0, static_cast<std::size_t>(kept > 0 ? kept : 0));
    }
    std::int32_t ReadInt(const char*, std::int32_t defaultValue) override { return defaultValue; }
    void WriteText(const char*, const std::string&) override {}
};

NoProfile noProfile;
Profile* installed = &noProfile;

#ifdef _WIN32
constexpr const char* kSeparator = "\\";
#else
constexpr const char* kSeparator = "/";
#endif

}  // namespace

Profile& CurrentProfile() { return *installed; }

void SetProfile(Profile* profile) { installed = profile ? profile : &noProfile; }

std::string ReadProfileText(const char* key, const char* defaultValue, int kept) {
    return CurrentProfile().ReadText(key, defaultValue, kept);
}

std::int32_t ReadProfileInt(const char* key, std::int32_t defaultValue) {
    return CurrentProfile().ReadInt(key, defaultValue);
}

void WriteProfileText(const char* key, const std::string& value) { CurrentProfile().WriteText(key, value); }

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

LinkSettingsRecord ReadLinkSettings(const char* defaultPort) {
    // Values are read whole: a port such as COM12, a rate of 1000000 or a factor
    // of 100 is used as written.
    LinkSettingsRecord settings;
    settings.PortName = ReadProfileText("Port", defaultPort, SettingValueMax);
    settings.SpeedFactor = DecimalTextToInt(ReadProfileText("SPEED", "10", SettingValueMax));
    settings.BaudRate = DecimalTextToInt(ReadProfileText("BAUD_RATE", "115200", SettingValueMax));
    return settings;
}

int LoadConfig() {
    LinkSettings.PortName.clear();
    // The separator is always added: a root directory gives a doubled one.
    UseConfigFile(CurrentDirectoryForConfig() + kSeparator + "config.ini");

    // Presence test: a missing file, a missing LastDir and a LastDir beginning
    // with '1' all read as "1".
    if (ReadProfileText("LastDir", "1", 3)[0] == '1') return 1;
    LinkSettings = ReadLinkSettings("COM5");
    return 0;
}
