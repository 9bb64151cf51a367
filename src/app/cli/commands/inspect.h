// `kestrivane inspect`: stored files checked as an upload would read them.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

// Reports on each file (an index file with the section files an upload of it
// sends), in text or JSON, on `out`. Returns the number of problems found.
int InspectFiles(const std::vector<std::string>& paths, bool json, std::FILE* out);
