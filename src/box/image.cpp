#include "box/image.h"

#include <fstream>
#include <iterator>

#include "app/files/bounded_file.h"
#include "link/packet.h"
#include "upload/urt_mode.h"

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
    std::uint32_t sum = 0;
    for (std::uint8_t b : payload) {
        p.push_back(b);
        sum += b;
    }
    for (int shift = 24; shift >= 0; shift -= 8) p.push_back(static_cast<std::uint8_t>(sum >> shift));
    p.push_back(ETX);
    return p;
}

namespace {

// One packet from `pos`, sized by its length field and cut at the end of the data.
Bytes TakePacket(const Bytes& bytes, std::size_t pos) {
    std::size_t size = bytes.size() - pos;
    if (size >= 4) size = std::min<std::size_t>(size, PacketPayloadLength(&bytes[pos]) + PacketFramingSize);
    return Bytes(bytes.begin() + static_cast<long>(pos), bytes.begin() + static_cast<long>(pos + size));
}


}  // namespace

std::optional<StoredSection> ParseStoredSection(const Bytes& bytes, std::size_t offset) {
    if (bytes.size() < offset + 4 || bytes[offset] != STX) return std::nullopt;
    StoredSection section;
    section.header = TakePacket(bytes, offset);
    for (std::size_t pos = offset + section.header.size(); pos < bytes.size();) {
        section.packets.push_back(TakePacket(bytes, pos));
        pos += section.packets.back().size();
    }
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
    Bytes index;
    for (SectionKind kind : AllSections) {
        const std::string file = SectionFilePath(chosenPath, kind);
        index.insert(index.end(), file.begin(), file.end());
        index.push_back('\n');
        if (image[kind]) ok = WriteFileBytes(file, image[kind]->FileBytes()) && ok;
    }
    return WriteFileBytes(chosenPath, index) && ok;
}

}  // namespace box
