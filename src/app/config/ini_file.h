// Initialisation files read and written as the Windows profile functions do, for
// platforms without them:
//  - section and key names match without regard to case; only the first section
//    of a name, and the first key of a name in it, count;
//  - names and values are trimmed of blanks; a value in matching quotes loses them;
//  - a line without '=' holds no key; lines end at LF or CR;
//  - a read cuts the value (or the default, less its trailing spaces) to fit a
//    buffer of `size` characters with its terminator;
//  - an integer read converts as the Windows runtime does (blanks, one sign, 0x/0o/0b
//    prefixes, wrap-around at 32 bits), and takes the default for an empty value.
// A write replaces the key's value or adds the key (and the section, or the file),
// leaving every other byte of the file as it was. Write failures are not reported.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

std::string IniReadString(const std::string& path, const std::string& section, const std::string& key,
                          const std::string& defaultValue, int size);
std::int32_t IniReadInt(const std::string& path, const std::string& section, const std::string& key,
                        std::int32_t defaultValue);
void IniWriteString(const std::string& path, const std::string& section, const std::string& key,
                    const std::string& value);

// Keys that stand more than once in the first section of that name, each with the
// value a read gives (the first one's), in the order they first stand.
std::vector<std::pair<std::string, std::string>> IniRepeatedKeys(const std::string& path, const std::string& section);
