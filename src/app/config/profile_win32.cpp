// Profile operations through the Windows profile functions.
#include <windows.h>

#include <vector>

#include "app/config/config.h"
#include "app/config/ini_file.h"
#include "app/config/profile.h"

std::string ReadProfileText(const char* key, const char* defaultValue, int kept) {
    if (auto value = ProfileOverride(key)) return value->substr(0, static_cast<std::size_t>(kept));
    std::vector<char> buffer(static_cast<std::size_t>(kept) + 1, '\0');
    GetPrivateProfileStringA(ConfigSection, key, defaultValue, buffer.data(), static_cast<DWORD>(buffer.size()),
                             ConfigPath.c_str());
    return std::string(buffer.data());
}

std::int32_t ReadProfileInt(const char* key, std::int32_t defaultValue) {
    if (auto value = ProfileOverride(key)) return value->empty() ? defaultValue : ProfileTextToInt(*value);
    return static_cast<std::int32_t>(GetPrivateProfileIntA(ConfigSection, key, defaultValue, ConfigPath.c_str()));
}

void WriteProfileText(const char* key, const std::string& value) {
    WritePrivateProfileStringA(ConfigSection, key, value.c_str(), ConfigPath.c_str());
}

std::string CurrentDirectoryForConfig() {
    char buffer[260] = {};
    const DWORD length = GetCurrentDirectoryA(sizeof buffer, buffer);
    if (length == 0 || length >= sizeof buffer) return std::string();
    return std::string(buffer, length);
}
