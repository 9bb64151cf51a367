// Made-up images with everything a faithful copy has to carry: every byte value
// in the payloads (control bytes and XON/XOFF included), varied bytes at offset 1
// and in the high nibble of offset 2, count bytes at varied positions.
#pragma once

#include <array>
#include <cstdint>

#include "box/image.h"

namespace box {

struct SyntheticPlan {
    // Data packets each section really holds; -1 leaves the section out.
    std::array<int, SectionCount> packets = {32, 16, 48, 4, 16};
    // Count byte K of each header; -1 takes the smallest K that announces all packets
    // (for Eeprom Database, K = 1 announces 4).
    std::array<int, SectionCount> countBytes = {-1, -1, -1, -1, -1};
    std::uint32_t seed = 1;
};

Image SyntheticImage(const SyntheticPlan& plan);

// The byte of a synthetic header payload (offset 4) that names its section (1..5).
constexpr unsigned HeaderSectionIdOffset = 4;

}  // namespace box
