// config.ini in the current directory: its path, and the start-up read into
// LinkSettings.
#pragma once

#include <cstdint>
#include <string>

#include "app/config/link_settings.h"

constexpr const char* ConfigSection = "OPTIONS";

// The full path of config.ini, built once by LoadConfig from the current directory
// and used by every later read and write, wherever the current directory moves.
extern std::string ConfigPath;

// Builds ConfigPath and fills LinkSettings. Returns 1 when the file failed the
// presence test (missing, without LastDir, or LastDir beginning with '1'), with
// PortName left empty; 0 otherwise.
int LoadConfig();

// Decimal text to integer: leading blanks, an optional sign, then the digits that
// follow; 0 when no digit follows. Values beyond 32 bits stop at the nearest limit.
std::int32_t DecimalTextToInt(const std::string& text);

// Longest setting value kept whole (a path's 259 characters).
constexpr int SettingValueMax = 259;
