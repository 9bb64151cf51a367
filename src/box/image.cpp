#include "box/image.h"

#include <algorithm>
#include <fstream>

#include "core/bounded_file.h"
#include "core/packet.h"
#include "stored/index_file.h"
#include "stored/stored_section.h"
#include "stored/urt_file_name.h"

namespace box {

Bytes StoredSection::FileBytes() const {
    Bytes out = header;
    for (const Bytes& p : packets) out.insert(out.end(), p.begin(), p.end());
    return out;
}

unsigned StoredSection::Announced(std::optional<SectionKind> kind) const {
    if (header.size() <= HeaderCountPositionOffset) return 0;
    if (header.size() <= HeaderCountByteOffset(header.data())) return 0;
    return HeaderPacketCount(header.data(), kind);
}

Bytes BuildPacket(const Bytes& payload, std::uint8_t offset1, std::uint8_t highNibble) {
    const auto l = static_cast<unsigned>(payload.size());
    Bytes p;
    p.reserve(l + PacketFramingSize);
    p.push_back(STX);
    p.push_back(offset1);
    p.push_back(static_cast<std::uint8_t>((highNibble & 0x0F) << 4 | (l >> 8 & 0x0F)));
    p.push_back(static_cast<std::uint8_t>(l & 0xFF));
    p.insert(p.end(), payload.begin(), payload.end());
    const std::uint32_t sum = PayloadSum(payload.data(), payload.size());
    for (int shift = 24; shift >= 0; shift -= 8) p.push_back(static_cast<std::uint8_t>(sum >> shift));
    p.push_back(ETX);
    return p;
}

std::optional<StoredSection> ParseStoredSection(const Bytes& bytes, std::size_t offset) {
    const StoredSectionLayout layout = ReadStoredSection(bytes.data(), bytes.size(), offset, std::nullopt);
    if (!layout.headerRead || bytes[offset] != STX) return std::nullopt;
    const auto at = [&](std::size_t from, std::size_t size) {
        return Bytes(bytes.begin() + static_cast<long>(from), bytes.begin() + static_cast<long>(from + size));
    };
    StoredSection section;
    section.header = at(offset, layout.headerSize);
    // Each packet as a download stores it: its own length, within what an upload sends.
    for (const StoredPacketSpan& p : layout.packets)
        section.packets.push_back(at(p.offset, std::min<std::size_t>(p.size, p.length + PacketFramingSize)));
    return section;
}

bool ReadFileBytes(const std::string& path, Bytes* out) {
    std::string bytes, why;
    if (ReadBoundedFile(path, ImageFileLimit, &bytes, &why) != FileRead::Ok) return false;
    out->assign(bytes.begin(), bytes.end());
    return true;
}

bool WriteFileBytes(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

std::optional<Image> LoadImage(const std::string& path, std::string* error) {
    Image image;
    Bytes bytes;
    if (IsUrtFileName(path)) {
        if (!ReadFileBytes(path, &bytes)) {
            *error = "cannot read " + path;
            return std::nullopt;
        }
        auto section = ParseStoredSection(bytes, UrtPrefixSize);
        if (!section) {
            *error = path + ": no header packet at offset 6";
            return std::nullopt;
        }
        int slot = 0;
        if (section->header.size() > 4 && section->header[4] >= 1 && section->header[4] <= SectionCount)
            slot = section->header[4] - 1;
        image.sections[slot] = std::move(section);
        return image;
    }
    bool any = false;
    for (SectionKind kind : AllSections) {
        const std::string file = SectionFilePath(path, kind);
        if (!ReadFileBytes(file, &bytes)) continue;
        image[kind] = ParseStoredSection(bytes, 0);
        if (!image[kind]) {
            *error = file + ": does not start with a header packet";
            return std::nullopt;
        }
        any = true;
    }
    if (!any) {
        *error = "no section files beside " + path;
        return std::nullopt;
    }
    return image;
}

bool WriteImage(const std::string& chosenPath, const Image& image) {
    bool ok = true;
    for (SectionKind kind : AllSections)
        if (image[kind]) ok = WriteFileBytes(SectionFilePath(chosenPath, kind), image[kind]->FileBytes()) && ok;
    const std::string index = IndexFileText(chosenPath);
    return WriteFileBytes(chosenPath, Bytes(index.begin(), index.end())) && ok;
}

}  // namespace box
