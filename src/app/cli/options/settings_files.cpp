#include "app/cli/options/settings_files.h"

#include "app/cli/machine/system_ways.h"
#include "app/config/config.h"
#include "app/config/ini_file.h"
#include "core/bounded_file.h"

namespace {

// A default no file holds: what a read gives back when the key is not there.
constexpr const char* Absent = "\x01kestrivane: no such key\x01";

}  // namespace

bool SettingsFiles::Find(std::string* why) {
    files_.clear();
    const std::string here = CurrentDirectoryForConfig() + "/config.ini", user = UserSettingsFile();
    const std::string shownUser = UserSettingsFileShown();
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
