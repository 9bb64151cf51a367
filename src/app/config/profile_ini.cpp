// Profile operations on platforms without the Windows profile functions.
#include <unistd.h>

#include <climits>

#include "app/config/config.h"
#include "app/config/ini_file.h"
#include "app/config/profile.h"

std::string ReadProfileText(const char* key, const char* defaultValue, int kept) {
    if (auto value = ProfileOverride(key)) return value->substr(0, static_cast<std::size_t>(kept));
    return IniReadString(ConfigPath, ConfigSection, key, defaultValue, kept + 1);
}

std::int32_t ReadProfileInt(const char* key, std::int32_t defaultValue) {
    if (auto value = ProfileOverride(key)) return value->empty() ? defaultValue : ProfileTextToInt(*value);
    return IniReadInt(ConfigPath, ConfigSection, key, defaultValue);
}

void WriteProfileText(const char* key, const std::string& value) {
    IniWriteString(ConfigPath, ConfigSection, key, value);
}

std::string CurrentDirectoryForConfig() {
    char buffer[PATH_MAX];
    return getcwd(buffer, sizeof buffer) ? std::string(buffer) : std::string();
}
