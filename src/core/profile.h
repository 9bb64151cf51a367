// The three profile operations, always on section OPTIONS of ConfigPath: the
// Windows profile functions on Windows, our own initialisation-file code elsewhere.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

// The value of `key` cut to `kept` characters, or the default (cut likewise) when
// the file, the section or the key is missing.
std::string ReadProfileText(const char* key, const char* defaultValue, int kept);
// The value of `key` converted as an integer, or the default.
std::int32_t ReadProfileInt(const char* key, std::int32_t defaultValue);
// Replaces or adds `key`; failures are not reported.
void WriteProfileText(const char* key, const std::string& value);

// The current directory as the configuration path is built from it: empty when it
// cannot be read (on Windows also when longer than 259 characters).
std::string CurrentDirectoryForConfig();

// A value that stands in for the file's own: every later read of `key` returns it
// (the command line's --packet-length, or its default where there is no config.ini).
void OverrideProfileValue(const char* key, const std::string& value);
std::optional<std::string> ProfileOverride(const char* key);
