// config.ini in the current directory: its path, the profile that reads and writes
// it (the one the front ends read and write through), and the start-up read into
// LinkSettings, the Windows program's process-wide settings.
#pragma once

#include <cstdint>
#include <string>

#include "core/link_settings.h"
#include "core/profile.h"

constexpr const char* ConfigSection = "OPTIONS";

// The Windows program's settings of the line, filled by LoadConfig.
extern LinkSettingsRecord LinkSettings;

// The profile every read and write of the settings goes through. Until one is
// installed there is no file: every read gives its default and writes go nowhere.
Profile& CurrentProfile();
void SetProfile(Profile* profile);
std::string ReadProfileText(const char* key, const char* defaultValue, int kept);
std::int32_t ReadProfileInt(const char* key, std::int32_t defaultValue);
void WriteProfileText(const char* key, const std::string& value);

// The full path of config.ini, built once at start-up and used by every later read
// and write, wherever the current directory moves.
extern std::string ConfigPath;

// The profile on ConfigPath: the Windows profile functions on Windows, our own
// initialisation-file code elsewhere.
Profile& ConfigFileProfile();

// Makes `path` the ConfigPath and its profile the current one.
void UseConfigFile(const std::string& path);

// The current directory as the configuration path is built from it: empty when it
// cannot be read (on Windows also when longer than 259 characters).
std::string CurrentDirectoryForConfig();

// Builds ConfigPath, uses it and fills LinkSettings. Returns 1 when the file failed
// the presence test (missing, without LastDir, or LastDir beginning with '1'), with
// PortName left empty; 0 otherwise.
int LoadConfig();

// The line's settings in the profile: Port (or `defaultPort`), BAUD_RATE and SPEED,
// each read whole and converted by DecimalTextToInt.
LinkSettingsRecord ReadLinkSettings(const char* defaultPort);

// Decimal text to integer: leading blanks, an optional sign, then the digits that
// follow; 0 when no digit follows. Values beyond 32 bits stop at the nearest limit.
std::int32_t DecimalTextToInt(const std::string& text);

// Longest setting value kept whole (a path's 259 characters).
constexpr int SettingValueMax = 259;
