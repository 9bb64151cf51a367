// Small pieces of JSON output for --json.
#pragma once

#include <string>

// A JSON string literal, quotes included.
std::string JsonString(const std::string& text);
