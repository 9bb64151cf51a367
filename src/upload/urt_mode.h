// Whether the file chosen for the last upload is a URT file (one section, six
// bytes ahead of its header packet) rather than a section or index file.
#pragma once

#include <string>

extern bool UrtMode;

// The rule of file selection: the file name (without its folder) has a '.' whose
// next three characters are u, r, t in any case ("box.URT", "box.urtx").
bool IsUrtFileName(const std::string& path);
