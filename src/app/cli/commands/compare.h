// `kestrivane compare A B`: two images (index, section or URT files) compared
// section by section and packet by packet, as an upload would send them.
#pragma once

#include <cstdio>
#include <string>

// Returns 0 when they hold the same packets, 1 when they differ, 2 when one of
// them cannot be read or the two cannot be paired (said on `err`).
int CompareImages(const std::string& a, const std::string& b, bool json, std::FILE* out, std::FILE* err);
