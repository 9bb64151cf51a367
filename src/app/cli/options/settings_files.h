// Where the command line's settings come from, in this order: the options; for the
// port KESTRIVANE_PORT; config.ini in the current folder (the Windows program's
// file and keys); the user's settings file ($XDG_CONFIG_HOME/kestrivane/config.ini,
// else ~/.config/kestrivane/config.ini, the same keys). Read as one profile: a key is
// taken from the first file that has it, each file read as the Windows program reads
// its own.
#pragma once

#include <string>
#include <vector>

#include "core/profile.h"

class SettingsFiles final : public Profile {
public:
    // The files that stand, in the order they count; false, and why, when a file is
    // there but cannot be a settings file.
    bool Find(std::string* why);
    // Whether config.ini stands in the current folder (the Windows program's file).
    bool HasFileHere() const { return !files_.empty() && files_.front().shown == "config.ini"; }

    std::string ReadText(const char* key, const char* defaultValue, int kept) override;
    std::int32_t ReadInt(const char* key, std::int32_t defaultValue) override;
    void WriteText(const char*, const std::string&) override {}  // the command line writes no setting

    // The file a key comes from, as said to the user ("config.ini",
    // "~/.config/kestrivane/config.ini"); "" when none has it.
    std::string SourceOf(const char* key) const;

private:
    struct File {
        std::string path, shown;
    };
    const File* Holding(const char* key) const;
    std::vector<File> files_;
};
