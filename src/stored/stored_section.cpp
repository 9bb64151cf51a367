#include "stored/stored_section.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "core/packet.h"

namespace {

std::string Hex(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", value);
    return text;
}

std::string PacketName(unsigned packet) {
    return packet == 0 ? "header packet" : "data packet " + std::to_string(packet);
}

// ETX and checksum of a packet whose bytes [0, available) are in hand.
void CheckFrame(StoredSectionLayout& s, const std::uint8_t* bytes, std::size_t offset, std::size_t available,
                unsigned packet) {
    const std::uint8_t* p = bytes + offset;
    const unsigned length = PacketPayloadLength(p);
    if (length + 8 >= available) return;  // cut short: told where it is found
    if (p[length + 8] != ETX) s.problems.push_back({StoredProblem::NoEtx, offset + length + 8, packet});
    if (!VerifyPacketChecksum(p, length))
        s.problems.push_back({StoredProblem::BadChecksum, offset + 4 + length, packet, PacketChecksumField(p, length),
                              PacketPayloadSum(p, length)});
}

// The header at `start`; false when no data packet can follow it.
bool ReadHeader(StoredSectionLayout& s, const std::uint8_t* bytes, std::size_t total, std::size_t start,
                std::optional<SectionKind> section) {
    s.headerOffset = start;
    if (total < start + HeaderCountPositionOffset + 1) {
        s.problems.push_back({StoredProblem::HeaderFieldsMissing, start});
        return false;
    }
    const std::uint8_t* header = bytes + start;
    if (header[0] != STX) s.problems.push_back({StoredProblem::HeaderWithoutStx, start});
    s.headerSize = PacketPayloadLength(header) + PacketFramingSize;
    const std::size_t available = total - start;
    const unsigned countAt = HeaderCountByteOffset(header);
    if (s.headerSize > static_cast<std::size_t>(PacketBufferSize))
        s.problems.push_back({StoredProblem::HeaderTooLong, start, 0, s.headerSize});
    if (s.headerSize > available) {
        s.problems.push_back({StoredProblem::HeaderBeyondFile, start, 0, s.headerSize, available});
        return false;
    }
    if (countAt >= available) {
        s.problems.push_back({StoredProblem::CountByteBeyondFile, start + countAt});
        return false;
    }
    s.headerRead = true;
    s.headerUsable = s.headerSize <= static_cast<std::size_t>(PacketBufferSize) && header[0] == STX;
    s.countPosition = header[HeaderCountPositionOffset];
    s.countByte = header[countAt];
    s.announced = HeaderPacketCount(header, section);
    if (countAt >= s.headerSize) s.problems.push_back({StoredProblem::CountByteOutsideHeader, start + countAt});
    CheckFrame(s, bytes, start, s.headerSize, 0);
    return true;
}

}  // namespace

StoredSectionLayout ReadStoredSection(const std::uint8_t* bytes, std::size_t total, std::size_t headerOffset,
                                      std::optional<SectionKind> section) {
    StoredSectionLayout s;
    if (!ReadHeader(s, bytes, total, headerOffset, section)) return s;

    std::size_t pos = headerOffset + s.headerSize;
    while (pos < total) {
        std::size_t stx = pos;
        while (stx < total && bytes[stx] != STX) ++stx;
        if (stx == total) {
            s.problems.push_back({StoredProblem::TrailingBytes, pos, 0, total - pos});
            break;
        }
        const unsigned number = static_cast<unsigned>(s.packets.size() + 1);
        if (stx > pos) s.problems.push_back({StoredProblem::BytesSkipped, pos, number, stx - pos});
        const std::size_t take = std::min<std::size_t>(DataPacketSize, total - stx);
        const unsigned length = take >= 4 ? PacketPayloadLength(bytes + stx) : 0;
        // Cut short by the end of the file: no packet. (A packet whose length field
        // reaches beyond 2069 bytes still goes out as 2069.)
        if (take < 4 || (take < static_cast<std::size_t>(DataPacketSize) && length + PacketFramingSize > take)) {
            s.problems.push_back({StoredProblem::PacketCutShort, stx, number, take,
                                  take >= 4 ? length + PacketFramingSize : DataPacketSize});
            break;
        }
        s.packets.push_back({stx, take, length});
        if (length != static_cast<unsigned>(DataPayloadSize))
            s.problems.push_back({StoredProblem::PayloadNotFull, stx + 2, number, length});
        CheckFrame(s, bytes, stx, take, number);
        pos = stx + DataPacketSize;
    }
    if (s.packets.size() > s.announced)
        s.problems.push_back({StoredProblem::MoreThanAnnounced, total, 0, s.packets.size() - s.announced});
    return s;
}

std::string DescribeFinding(const StoredFinding& p) {
    const std::string what = PacketName(p.packet);
    const auto n = [](std::uint64_t v) { return std::to_string(v); };
    switch (p.problem) {
    case StoredProblem::HeaderFieldsMissing: return "too short to hold a header packet's fields";
    case StoredProblem::HeaderWithoutStx: return "the header packet does not start with STX";
    case StoredProblem::HeaderTooLong:
        return "header packet of " + n(p.value) + " bytes, more than the " + n(PacketBufferSize) + " an upload can send";
    case StoredProblem::HeaderBeyondFile:
        return "header packet of " + n(p.value) + " bytes, but only " + n(p.other) + " follow";
    case StoredProblem::CountByteBeyondFile: return "the count byte lies beyond the end of the file";
    case StoredProblem::CountByteOutsideHeader: return "the count byte lies outside the header packet";
    case StoredProblem::NoEtx: return what + ": no ETX where its length puts it";
    case StoredProblem::BadChecksum:
        return what + ": checksum " + Hex(static_cast<std::uint32_t>(p.value)) + " but the payload sums to " +
               Hex(static_cast<std::uint32_t>(p.other));
    case StoredProblem::BytesSkipped: return n(p.value) + " bytes before " + what + " are skipped";
    case StoredProblem::TrailingBytes: return n(p.value) + " bytes after the last packet hold no STX";
    case StoredProblem::PacketCutShort:
        return what + " cut short: " + n(p.value) + " of " + n(p.other) + " bytes (an upload stops there)";
    case StoredProblem::PayloadNotFull:
        return what + ": payload length " + n(p.value) + ", not " + n(DataPayloadSize) + " (an upload sends " +
               n(DataPacketSize) + " bytes all the same)";
    case StoredProblem::MoreThanAnnounced:
        return n(p.value) + " data packets more than announced: an upload never sends them";
    }
    return "?";
}
