// Settings one key at a time, in section OPTIONS of config.ini, through the
// platform's profile functions. The core reads through this interface; the
// configuration installs the implementation that knows where config.ini is.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

class Profile {
public:
    virtual ~Profile() = default;
    // The value of `key` cut to `kept` characters, or the default (cut likewise) when
    // the file, the section or the key is missing.
    virtual std::string ReadText(const char* key, const char* defaultValue, int kept) = 0;
    // The value of `key` converted as an integer, or the default.
    virtual std::int32_t ReadInt(const char* key, std::int32_t defaultValue) = 0;
    // Replaces or adds `key`; failures are not reported.
    virtual void WriteText(const char* key, const std::string& value) = 0;
};

// The profile every read and write goes through. Until one is installed there is
// no file: every read gives its default and writes go nowhere.
Profile& CurrentProfile();
void SetProfile(Profile* profile);

// Reads and writes of the current profile; a value that stands in for a key (below)
// is read instead of the file's.
std::string ReadProfileText(const char* key, const char* defaultValue, int kept);
std::int32_t ReadProfileInt(const char* key, std::int32_t defaultValue);
void WriteProfileText(const char* key, const std::string& value);

// A value that stands in for the file's own: every later read of `key` returns it
// (the command line's --packet-length, or its default where there is no config.ini).
void OverrideProfileValue(const char* key, const std::string& value);
std::optional<std::string> ProfileOverride(const char* key);

// The integer conversion of a profile value, as the Windows runtime does it: blanks,
// one sign, 0x/0o/0b prefixes, wrap-around at 32 bits; at most 29 characters are
// looked at.
std::int32_t ProfileTextToInt(const std::string& text);
