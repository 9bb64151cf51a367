// "Did you mean ...": the nearest of the known names to a mistyped one.
#pragma once

#include <string>
#include <vector>

// The known name nearest to `typed` (at most two edits away, and closer than the
// name's own length), else the one name it is a short form of ("dl": download), or ""
// when none is near.
std::string NearestName(const std::string& typed, const std::vector<std::string>& known);
