// The packet operations on any bytes, each called only with the bytes its caller
// guarantees to hold.
#include <cstddef>
#include <cstdint>

#include "core/packet.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size >= 4) {
        const unsigned length = PacketPayloadLength(data);
        if (length < 4096 == false) __builtin_trap();  // 12 bits
        if (length + 8 <= size) (void)VerifyPacketChecksum(data, length);
    }
    if (size > HeaderCountPositionOffset) {
        const unsigned at = HeaderCountByteOffset(data);
        if (at < size) {
            for (SectionKind kind : AllSections)
                if (HeaderPacketCount(data, kind) > 4080) __builtin_trap();
            (void)HeaderPacketCount(data, std::nullopt);
        }
    }
    // What the receiver accepts is a whole packet with its checksum.
    const int count = static_cast<int>(size < 4000 ? size : 4000);
    if (StartsWithValidPacket(data, count)) {
        const unsigned length = PacketPayloadLength(data);
        if (length + PacketFramingSize > static_cast<unsigned>(count) || data[length + 8] != ETX) __builtin_trap();
    }
    return 0;
}
