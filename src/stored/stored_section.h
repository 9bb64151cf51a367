// The one reading of a stored section, as an upload takes it: a section file, or a
// URT file after its six-byte prefix. The header packet is sized by its own length
// field; each data packet is looked for from the next STX and goes out as the 2069
// bytes from there (fewer where the file ends); a packet that the end of the file
// cuts short of its own length is no packet, and nothing after it is read.
//
// The upload's checks before it touches the box, inspect, compare and the emulated
// box all read stored sections through this.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/section_kind.h"

struct StoredPacketSpan {
    std::size_t offset;  // of its STX
    std::size_t size;    // bytes an upload sends from there
    unsigned length;     // its payload length field
};

// What would go wrong, or go out wrong, on upload.
enum class StoredProblem {
    HeaderFieldsMissing,     // too short to hold a header packet's fields
    HeaderWithoutStx,
    HeaderTooLong,           // value: the header's size, more than a packet buffer
    HeaderBeyondFile,        // value: the header's size; other: the bytes that follow its start
    CountByteBeyondFile,
    CountByteOutsideHeader,
    NoEtx,                   // packet: 0 for the header, else the data packet's number
    BadChecksum,             // value: the checksum field; other: what the payload sums to
    BytesSkipped,            // value: bytes before data packet `packet` that hold no STX
    TrailingBytes,           // value: bytes after the last packet that hold no STX
    PacketCutShort,          // value: the bytes held; other: the packet's size
    PayloadNotFull,          // value: the payload length of data packet `packet`
    MoreThanAnnounced,       // value: data packets stored beyond the count announced
};

struct StoredFinding {
    StoredProblem problem;
    std::size_t offset;
    unsigned packet = 0;
    std::uint64_t value = 0;
    std::uint64_t other = 0;
};

struct StoredSectionLayout {
    std::size_t headerOffset = 0;
    std::size_t headerSize = 0;  // its length field plus the framing
    bool headerUsable = false;   // an upload can send it: from its STX, whole in the file, within a packet buffer
    bool headerRead = false;     // its fields below lie in the file
    unsigned countPosition = 0, countByte = 0, announced = 0;
    std::vector<StoredPacketSpan> packets;  // in the order an upload sends them
    std::vector<StoredFinding> problems;
};

// A finding in words: "data packet 15: checksum 0x0001F2A3 but the payload sums to
// 0x0001F2A2", "header packet of 3100 bytes, more than the 3000 an upload can send" ..
std::string DescribeFinding(const StoredFinding& finding);

// Reads the section stored in `bytes` from `headerOffset` (0, or the URT prefix),
// the header's count by the rule of `section` (none for a URT file).
StoredSectionLayout ReadStoredSection(const std::uint8_t* bytes, std::size_t size, std::size_t headerOffset,
                                      std::optional<SectionKind> section);
