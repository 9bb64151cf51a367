// A whole number as a person writes it in an option or a setting: an optional
// sign and decimal digits, nothing before or after them.
#pragma once

#include <string>

// True, with the value, when `text` is such a number from `low` to `high`.
bool ParseWholeNumber(const std::string& text, long low, long high, long* value);
