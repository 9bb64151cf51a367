// A box's memory image as the box holds it: five sections, each a header packet
// and its data packets, exactly as they travel on the wire.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/section_kind.h"

namespace box {

using Bytes = std::vector<std::uint8_t>;

struct StoredSection {
    Bytes header;
    std::vector<Bytes> packets;

    // Header and packets one after another, as a section file holds them.
    Bytes FileBytes() const;
    // Data packets the header announces for `kind` (none for a URT file).
    unsigned Announced(std::optional<SectionKind> kind) const;
};

// A section that is absent is never announced on download.
struct Image {
    std::array<std::optional<StoredSection>, SectionCount> sections;

    std::optional<StoredSection>& operator[](SectionKind kind) { return sections[SectionIndex(kind)]; }
    const std::optional<StoredSection>& operator[](SectionKind kind) const {
        return sections[SectionIndex(kind)];
    }
};

// A framed packet around `payload`: STX, offset 1, length (with `highNibble` in the
// top of offset 2), payload, big-endian sum, ETX.
Bytes BuildPacket(const Bytes& payload, std::uint8_t offset1 = 0, std::uint8_t highNibble = 0);

// The packets of a stored section, read from `bytes` starting at `offset` (0 for a
// section file, 6 for a URT file) as an upload reads them; each packet is kept at
// its own length. Nothing when no header packet stands there.
std::optional<StoredSection> ParseStoredSection(const Bytes& bytes, std::size_t offset);

// An image from disk: a URT file (extension beginning with "urt"), or the section
// files NAME.ur1 .. NAME.ur5 of an index file or section file path. A URT file's
// section goes to the slot its header names (payload byte 0 = 1..5), else Flash.
std::optional<Image> LoadImage(const std::string& path, std::string* error);

// Writes the image as a download would: NAME.ur1 .. NAME.ur5 beside the index file
// `chosenPath` (absent sections get no file).
bool WriteImage(const std::string& chosenPath, const Image& image);

bool ReadFileBytes(const std::string& path, Bytes* out);
bool WriteFileBytes(const std::string& path, const Bytes& bytes);

}  // namespace box
