// The index file of a download: under the chosen name itself, the five section
// file paths, one per line, each ended by LF alone.
#pragma once

#include <string>

// What the index file of `chosenPath` holds.
std::string IndexFileText(const std::string& chosenPath);

// Creates (or truncates) the index file. Returns 0, or 1 after "Unable to create
// a file" when it cannot be created.
int WriteIndexFile(const std::string& chosenPath);
