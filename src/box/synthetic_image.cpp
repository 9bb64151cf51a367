#include "box/synthetic_image.h"

#include "core/packet.h"

namespace box {

namespace {

// Count position N of each section's header: the count byte sits at N + 35, from
// the lowest possible offset (35) to the highest (290).
constexpr unsigned kCountPosition[SectionCount] = {0, 255, 9, 100, 3};

std::uint32_t NextRandom(std::uint32_t& state) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
}

int SmallestCountByte(SectionKind kind, int packets) {
    if (packets <= 0) return 0;
    if (kind == SectionKind::EepromDatabase && packets <= 4) return 1;
    const int k = (packets + 15) / 16;
    return kind == SectionKind::EepromDatabase && k == 1 ? 2 : k;
}

Bytes HeaderPacket(SectionKind kind, int countByte, std::uint32_t seed) {
    const int index = SectionIndex(kind);
    const unsigned n = kCountPosition[index];
    Bytes payload(n + 32 + 8 * static_cast<unsigned>(index) + seed % 5);  // holds offset N + 35
    std::uint32_t state = seed * 2654435761u + static_cast<std::uint32_t>(index) + 1;
    for (auto& b : payload) b = static_cast<std::uint8_t>(NextRandom(state));
    payload[HeaderSectionIdOffset - 4] = static_cast<std::uint8_t>(index + 1);
    payload[HeaderCountPositionOffset - 4] = static_cast<std::uint8_t>(n);
    payload[n + 35 - 4] = static_cast<std::uint8_t>(countByte);
    return BuildPacket(payload, static_cast<std::uint8_t>(0xA0 + index), static_cast<std::uint8_t>(index + 9));
}

Bytes DataPacket(SectionKind kind, int number, std::uint32_t seed) {
    const int index = SectionIndex(kind);
    Bytes payload(DataPayloadSize);
    // The first 256 bytes run through every value (7 is prime to 256), the rest is noise.
    const unsigned start = static_cast<unsigned>(number * 13 + index * 31) + seed;
    for (unsigned j = 0; j < 256; ++j) payload[j] = static_cast<std::uint8_t>(7 * j + start);
    std::uint32_t state = seed * 40503u + static_cast<std::uint32_t>(index * 100000 + number) + 7;
    for (unsigned j = 256; j < payload.size(); ++j) payload[j] = static_cast<std::uint8_t>(NextRandom(state) >> 7);
    return BuildPacket(payload, static_cast<std::uint8_t>(number * 37 + index),
                       static_cast<std::uint8_t>(number + index));
}

}  // namespace

Image SyntheticImage(const SyntheticPlan& plan) {
    Image image;
    for (SectionKind kind : AllSections) {
        const int index = SectionIndex(kind);
        const int packets = plan.packets[index];
        if (packets < 0) continue;
        const int k = plan.countBytes[index] >= 0 ? plan.countBytes[index] : SmallestCountByte(kind, packets);
        StoredSection section;
        section.header = HeaderPacket(kind, k, plan.seed);
        for (int p = 0; p < packets; ++p) section.packets.push_back(DataPacket(kind, p, plan.seed));
        image[kind] = std::move(section);
    }
    return image;
}

}  // namespace box
