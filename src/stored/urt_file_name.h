// Which stored files are URT files: one section, six bytes ahead of its header packet.
#pragma once

#include <string>

// The rule of file selection: the file name (without its folder) has a '.' whose
// next three characters are u, r, t in any case ("box.URT", "box.urtx").
bool IsUrtFileName(const std::string& path);
