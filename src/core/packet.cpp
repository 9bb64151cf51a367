#include "core/packet.h"

unsigned PacketPayloadLength(const std::uint8_t* packet) {
    return ((packet[2] & 0x0Fu) << 8) | packet[3];
}

std::uint32_t PayloadSum(const std::uint8_t* payload, std::size_t count) {
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < count; ++i) sum += payload[i];
    return sum;
}

std::uint32_t PacketChecksumField(const std::uint8_t* packet, unsigned payloadLength) {
    const std::uint8_t* field = packet + 4 + payloadLength;
    return (std::uint32_t{field[0]} << 24) | (std::uint32_t{field[1]} << 16) | (std::uint32_t{field[2]} << 8) |
           std::uint32_t{field[3]};
}

bool VerifyPacketChecksum(const std::uint8_t* packet, unsigned payloadLength) {
    return PacketPayloadSum(packet, payloadLength) == PacketChecksumField(packet, payloadLength);
}

unsigned HeaderCountByteOffset(const std::uint8_t* header) {
    return header[HeaderCountPositionOffset] + 35u;
}

unsigned HeaderPacketCount(const std::uint8_t* header, std::optional<SectionKind> section) {
    const unsigned k = header[HeaderCountByteOffset(header)];
    if (section == SectionKind::EepromDatabase && k == 1) return 4;
    return k * 16;
}

bool StartsWithValidPacket(const std::uint8_t* bytes, int count) {
    if (count < PacketFramingSize || bytes[0] != STX) return false;
    const unsigned length = PacketPayloadLength(bytes);
    return length < static_cast<unsigned>(PacketBufferSize) && length + PacketFramingSize <= static_cast<unsigned>(count) &&
           bytes[length + 8] == ETX && VerifyPacketChecksum(bytes, length);
}
