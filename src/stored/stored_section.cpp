#include "stored/stored_section.h"

#include <algorithm>

#include "core/packet.h"

namespace {

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
