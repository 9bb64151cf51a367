// Packet layout shared by both directions of the link.
//
//   offset 0        STX
//   offset 1        not interpreted, kept verbatim
//   offset 2        low 4 bits: bits 11..8 of the payload length L; high 4 bits kept verbatim
//   offset 3        bits 7..0 of L
//   offset 4        L payload bytes
//   offset 4 + L    32-bit unsigned sum of the payload bytes, most significant byte first
//   offset 8 + L    ETX
//
// A header packet is framed the same way; the byte at offset 12 (N) places the
// count byte K at offset N + 35, and the section holds K x 16 data packets.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "core/section_kind.h"

// Size constants of the link.
constexpr int PacketBufferSize = 3000;  // every packet buffer; exclusive bound of an accepted length
constexpr int DataPayloadSize = 2060;   // payload of a full data packet
constexpr int DataPacketSize = 2069;    // a full data packet on the wire and on disk
constexpr int ReadMargin = 21;          // added to the PacketLength setting for one data read
constexpr int UrtPrefixSize = 6;        // bytes ahead of the header packet in a URT file
constexpr int PacketFramingSize = 9;    // 4 bytes before the payload, 5 after it

// Control bytes, each sent on its own.
enum ControlByte : std::uint8_t {
    STX = 0x02,
    ETX = 0x03,
    ENQ = 0x05,
    ACK = 0x06,
    BEL = 0x07,  // never sent: marks "no ACK yet" in the upload handshakes
    NAK = 0x15,
    ETB = 0x17,
};

// Payload length L from offsets 2 and 3. Offsets 0 to 3 must be present.
unsigned PacketPayloadLength(const std::uint8_t* packet);

// The 32-bit unsigned sum of `count` bytes: what a packet's checksum field holds for
// a payload of those bytes.
std::uint32_t PayloadSum(const std::uint8_t* payload, std::size_t count);
// The sum of a packet's L payload bytes, and its big-endian checksum field; all
// L + 8 bytes from offset 0 must be present.
inline std::uint32_t PacketPayloadSum(const std::uint8_t* packet, unsigned payloadLength) {
    return PayloadSum(packet + 4, payloadLength);
}
std::uint32_t PacketChecksumField(const std::uint8_t* packet, unsigned payloadLength);

// True when the sum of the L payload bytes equals the big-endian checksum field.
// All L + 8 bytes from offset 0 must be present.
bool VerifyPacketChecksum(const std::uint8_t* packet, unsigned payloadLength);

// Number of data packets a header packet announces: K x 16, except 4 for an
// Eeprom Database header with K = 1. `section` is empty for a URT file, to which
// the Eeprom rule never applies. Offset 12 and offset N + 35 must be present.
unsigned HeaderPacketCount(const std::uint8_t* header, std::optional<SectionKind> section);

// Offset of the count byte in a header packet (N + 35); offset 12 must be present.
unsigned HeaderCountByteOffset(const std::uint8_t* header);

// Offset of the header's count position byte N.
constexpr unsigned HeaderCountPositionOffset = 12;

// True when `bytes` (`count` of them) begin with a packet that passes every check a
// received data packet gets: STX first, a length below PacketBufferSize, its ETX
// within the bytes, its checksum.
bool StartsWithValidPacket(const std::uint8_t* bytes, int count);
