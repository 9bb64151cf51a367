// Settings one key at a time, in section OPTIONS of config.ini, through the
// platform's profile functions: the interface, and the integer conversion every
// implementation shares. The configuration (app/config) keeps the profile the
// front ends read and write.
#pragma once

#include <cstdint>
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

// The integer conversion of a profile value, as the Windows runtime does it: blanks,
// one sign, 0x/0o/0b prefixes, wrap-around at 32 bits; at most 29 characters are
// looked at.
std::int32_t ProfileTextToInt(const std::string& text);
