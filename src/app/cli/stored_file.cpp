#include "app/cli/stored_file.h"

#include <cctype>
#include <cstdio>

#include "app/files/bounded_file.h"
#include "link/packet.h"
#include "upload/urt_mode.h"

namespace {

const std::uint8_t* At(const StoredFile& f, std::size_t offset) {
    return reinterpret_cast<const std::uint8_t*>(f.bytes.data()) + offset;
}

std::string Hex(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", value);
    return text;
}

std::optional<SectionKind> KindFromSuffix(const std::string& path) {
    if (path.size() < 3) return std::nullopt;
    std::string suffix = path.substr(path.size() - 3);
    for (char& c : suffix) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (SectionKind kind : AllSections)
        if (suffix == SectionSuffix(kind)) return kind;
    return std::nullopt;
}

bool LooksLikeText(const std::string& bytes) {
    for (unsigned char c : bytes)
        if (!(std::isprint(c) || c == '\n' || c == '\r' || c == '\t')) return false;
    return !bytes.empty();
}

// ETX and checksum of a packet whose bytes [0, available) are in hand.
void CheckFrame(StoredFile& f, std::size_t offset, std::size_t available, const std::string& what) {
    const std::uint8_t* packet = At(f, offset);
    const unsigned length = PacketPayloadLength(packet);
    if (length + 8 >= available) return;  // cut short: said by the caller
    if (packet[length + 8] != ETX) f.problems.push_back({offset + length + 8, what + ": no ETX where its length puts it"});
    if (!VerifyPacketChecksum(packet, length)) {
        std::uint32_t sum = 0;
        for (unsigned i = 0; i < length; ++i) sum += packet[4 + i];
        const std::uint8_t* c = packet + 4 + length;
        const std::uint32_t field = std::uint32_t{c[0]} << 24 | std::uint32_t{c[1]} << 16 | std::uint32_t{c[2]} << 8 | c[3];
        f.problems.push_back({offset + 4 + length, what + ": checksum " + Hex(field) + " but the payload sums to " + Hex(sum)});
    }
}

// The header packet at `start` and the data packets behind it, taken as the
// sender takes them: from the next STX, 2069 bytes each.
void AnalyseSection(StoredFile& f, std::size_t start) {
    const std::size_t total = f.bytes.size();
    f.headerOffset = start;
    if (total < start + HeaderCountPositionOffset + 1) {
        f.problems.push_back({start, "too short to hold a header packet's fields"});
        return;
    }
    const std::uint8_t* header = At(f, start);
    if (header[0] != STX) f.problems.push_back({start, "the header packet does not start with STX"});
    f.headerSize = PacketPayloadLength(header) + PacketFramingSize;
    const std::size_t available = total - start;
    const unsigned countAt = HeaderCountByteOffset(header);
    if (f.headerSize > static_cast<std::size_t>(PacketBufferSize))
        f.problems.push_back({start, "header packet of " + std::to_string(f.headerSize) + " bytes, more than the " +
                                         std::to_string(PacketBufferSize) + " an upload can send"});
    if (f.headerSize > available) {
        f.problems.push_back({start, "header packet of " + std::to_string(f.headerSize) + " bytes, but only " +
                                         std::to_string(available) + " follow"});
        return;
    }
    if (countAt >= available) {
        f.problems.push_back({start + countAt, "the count byte lies beyond the end of the file"});
        return;
    }
    f.headerUsable = f.headerSize <= static_cast<std::size_t>(PacketBufferSize);
    f.countPosition = header[HeaderCountPositionOffset];
    f.countByte = header[countAt];
    f.announced = HeaderPacketCount(header, f.kind == StoredKind::Urt ? std::nullopt : f.section);
    if (countAt >= f.headerSize) f.problems.push_back({start + countAt, "the count byte lies outside the header packet"});
    CheckFrame(f, start, f.headerSize, "header packet");

    std::size_t pos = start + f.headerSize;
    while (pos < total) {
        std::size_t stx = pos;
        while (stx < total && static_cast<std::uint8_t>(f.bytes[stx]) != STX) ++stx;
        if (stx == total) {
            f.problems.push_back({pos, std::to_string(total - pos) + " bytes after the last packet hold no STX"});
            break;
        }
        const std::string what = "data packet " + std::to_string(f.packets.size() + 1);
        if (stx > pos) f.problems.push_back({pos, std::to_string(stx - pos) + " bytes before " + what + " are skipped"});
        const std::size_t take = std::min<std::size_t>(DataPacketSize, total - stx);
        const unsigned length = take >= 4 ? PacketPayloadLength(At(f, stx)) : 0;
        if (take < 4 || length + PacketFramingSize > take) {
            f.problems.push_back({stx, what + " cut short: " + std::to_string(take) + " of " +
                                           std::to_string(take >= 4 ? length + PacketFramingSize : DataPacketSize) +
                                           " bytes (an upload stops there)"});
            break;
        }
        f.packets.push_back({stx, take});
        if (length != static_cast<unsigned>(DataPayloadSize))
            f.problems.push_back({stx + 2, what + ": payload length " + std::to_string(length) + ", not " +
                                               std::to_string(DataPayloadSize) + " (an upload sends " +
                                               std::to_string(DataPacketSize) + " bytes all the same)"});
        CheckFrame(f, stx, take, what);
        pos = stx + DataPacketSize;
    }
    const std::size_t stored = f.packets.size();
    if (stored < f.announced)
        f.notes.push_back({total, "holds " + std::to_string(stored) + " of the " + std::to_string(f.announced) +
                                      " data packets announced (the box ended the section early when it was "
                                      "downloaded); an upload sends these and ends the section when the box stops asking"});
    else if (stored > f.announced)
        f.problems.push_back({total, std::to_string(stored - f.announced) +
                                         " data packets more than announced: an upload never sends them"});
}

void AnalyseIndex(StoredFile& f) {
    std::string line;
    for (char c : f.bytes) {
        if (c == '\n') {
            f.indexLines.push_back(Printable(line));
            line.clear();
        } else {
            line += c;
        }
    }
    if (f.indexLines.size() != SectionCount || !line.empty())
        f.problems.push_back({0, "not five lines each ended by LF: not an index file written by a download"});
}

}  // namespace

std::string Printable(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        if (std::isprint(c) && c != '\\') {
            out += static_cast<char>(c);
        } else {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\x%02X", c);
            out += esc;
        }
    }
    return out;
}

std::vector<std::string> SectionFilesOf(const std::string& indexPath) {
    std::vector<std::string> files;
    for (SectionKind kind : AllSections) files.push_back(SectionFilePath(indexPath, kind));
    return files;
}

StoredFile AnalyseStoredFile(const std::string& path) {
    StoredFile f;
    f.path = path;
    const FileRead read = ReadBoundedFile(path, ImageFileLimit, &f.bytes, &f.readError);
    f.present = read == FileRead::Ok;
    // The kind an upload takes it for: by its name, then by what it holds.
    f.section = KindFromSuffix(path);
    if (IsUrtFileName(path))
        f.kind = StoredKind::Urt;
    else if (f.section)
        f.kind = StoredKind::Section;
    else if (!f.bytes.empty() && static_cast<std::uint8_t>(f.bytes[0]) == STX)
        f.kind = StoredKind::Section;
    else if (LooksLikeText(f.bytes))
        f.kind = StoredKind::Index;
    if (!f.present) return f;

    switch (f.kind) {
    case StoredKind::Urt:
        AnalyseSection(f, UrtPrefixSize);
        break;
    case StoredKind::Section:
        AnalyseSection(f, 0);
        break;
    case StoredKind::Index:
        AnalyseIndex(f);
        break;
    case StoredKind::Unknown:
        f.problems.push_back({0, f.bytes.empty() ? "empty" : "neither an index, a section nor a URT file (binary content "
                                                             "that does not start with a header packet)"});
        break;
    }
    return f;
}

std::string DescribeKind(const StoredFile& f) {
    switch (f.kind) {
    case StoredKind::Urt: return "URT file";
    case StoredKind::Section: return f.section ? std::string(SectionName(*f.section)) + " section file" : "section file";
    case StoredKind::Index: return "index file";
    case StoredKind::Unknown: break;
    }
    return "file of unknown content";
}
