// Two stored sections compared packet by packet, as an upload would send them.
#pragma once

#include <string>
#include <vector>

#include "app/cli/image/stored_file.h"

// The differences between two stored sections, in words (A and B): the header, the
// first differing data packets with their offsets, the counts; none when they hold
// the same packets.
std::vector<std::string> SectionDifferences(const StoredFile& a, const StoredFile& b);
