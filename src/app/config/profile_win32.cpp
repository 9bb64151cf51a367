// The profile through the Windows profile functions.
#include <windows.h>

#include <vector>

#include "app/config/config.h"

namespace {

class PrivateProfile final : public Profile {
public:
    std::string ReadText(const char* key, const char* defaultValue, int kept) override {
        std::vector<char> buffer(static_cast<std::size_t>(kept) + 1, '\0');
        GetPrivateProfileStringA(ConfigSection, key, defaultValue, buffer.data(), static_cast<DWORD>(buffer.size()),
                                 ConfigPath.c_str());
        return std::string(buffer.data());
    }
    std::int32_t ReadInt(const char* key, std::int32_t defaultValue) override {
        return static_cast<std::int32_t>(GetPrivateProfileIntA(ConfigSection, key, defaultValue, ConfigPath.c_str()));
    }
    void WriteText(const char* key, const std::string& value) override {
        WritePrivateProfileStringA(ConfigSection, key, value.c_str(), ConfigPath.c_str());
    }
};

}  // namespace

Profile& ConfigFileProfile() {
    static PrivateProfile profile;
    return profile;
}

std::string CurrentDirectoryForConfig() {
    char buffer[260] = {};
    const DWORD length = GetCurrentDirectoryA(sizeof buffer, buffer);
    if (length == 0 || length >= sizeof buffer) return std::string();
    return std::string(buffer, length);
}
