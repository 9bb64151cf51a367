#include "app/cli/options/settings_files.h"

#include <cstdlib>

#include "app/config/config.h"
#include "app/config/ini_file.h"
#include "core/bounded_file.h"

namespace {

// A default no file holds: what a read gives back when the key is not there.
constexpr const char* Absent = "\x01kestrivane: no such key\x01";

}  // namespace

std::string UserSettingsFile() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && *xdg) return std::string(xdg) + "/kestrivane/config.ini";
    const char* home = std::getenv("HOME");
    return home && *home ? std::string(home) + "/.config/kestrivane/config.ini" : std::string();
}

bool SettingsFiles::Find(std::string* why) {
    files_.clear();
    const std::string here = CurrentDirectoryForConfig() + "/config.ini", user = UserSettingsFile();
    const char* home = std::getenv("HOME");
    std::string shownUser = user;
    if (home && *home && user.rfind(std::string(home) + "/", 0) == 0) shownUser = "~" + user.substr(std::string(home).size());
    for (const File& f : {File{here, "config.ini"}, File{user, shownUser}}) {
        if (f.path.empty()) continue;
        std::string text, reason;
        const FileRead read = ReadBoundedFile(f.path, SettingsFileLimit, &text, &reason);
        if (read == FileRead::Refused) {
            *why = f.path + " " + reason + ": it cannot be a settings file";
            return false;
        }
        if (read == FileRead::Ok) files_.push_back(f);
    }
    return true;
}

const SettingsFiles::File* SettingsFiles::Holding(const char* key) const {
    for (const File& f : files_)
        if (IniReadString(f.path, ConfigSection, key, Absent, SettingValueMax + 1) != Absent) return &f;
    return nullptr;
}

std::string SettingsFiles::ReadText(const char* key, const char* defaultValue, int kept) {
    const File* f = Holding(key);
    return f ? IniReadString(f->path, ConfigSection, key, defaultValue, kept + 1)
             : IniReadString("", ConfigSection, key, defaultValue, kept + 1);  // the default, cut as a read cuts it
}

std::int32_t SettingsFiles::ReadInt(const char* key, std::int32_t defaultValue) {
    const File* f = Holding(key);
    return f ? IniReadInt(f->path, ConfigSection, key, defaultValue) : defaultValue;
}

std::string SettingsFiles::SourceOf(const char* key) const {
    const File* f = Holding(key);
    return f ? f->shown : std::string();
}
