// Names that fit a pattern of the user's: * stands for any run of characters, ? for
// any one; neither stands for a folder separator. Everything else stands for itself.
#pragma once

#include <string>

// Whether `text` fits `pattern`; `caseless` compares ASCII letters regardless of case
// (as Windows compares names).
bool FitsWildcard(const std::string& pattern, const std::string& text, bool caseless = false);

// Whether `text` holds a wildcard.
bool HasWildcard(const std::string& text);
