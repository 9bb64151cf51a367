// The profile on platforms without the Windows profile functions.
#include <unistd.h>

#include <climits>

#include "app/config/config.h"
#include "app/config/ini_file.h"

namespace {

class IniFileProfile final : public Profile {
public:
    std::string ReadText(const char* key, const char* defaultValue, int kept) override {
        return IniReadString(ConfigPath, ConfigSection, key, defaultValue, kept + 1);
    }
    std::int32_t ReadInt(const char* key, std::int32_t defaultValue) override {
        return IniReadInt(ConfigPath, ConfigSection, key, defaultValue);
    }
    void WriteText(const char* key, const std::string& value) override {
        IniWriteString(ConfigPath, ConfigSection, key, value);
    }
};

}  // namespace

Profile& ConfigFileProfile() {
    static IniFileProfile profile;
    return profile;
}

std::string CurrentDirectoryForConfig() {
    char buffer[PATH_MAX];
    return getcwd(buffer, sizeof buffer) ? std::string(buffer) : std::string();
}
