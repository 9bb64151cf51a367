#include "download/section_receiver.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "core/cancel_flag.h"
#include "core/current_file.h"
#include "core/packet.h"
#include "core/profile.h"
#include "core/progress_display.h"
#include "link/serial_link.h"

namespace {

std::uint8_t receiveBuffer[PacketBufferSize];
std::uint8_t headerBuffer[PacketBufferSize];

// Appends to the section file, a packet in one write. A write that fails (a full
// disk) is seen here, or at the latest when the session closes the file.
bool Store(const std::uint8_t* bytes, std::size_t size) {
    if (std::fwrite(bytes, 1, size, CurrentSectionFile) == size) return true;
    Show(MessageId::SectionFileNotWritten);
    return false;
}

// The first STX among the bytes received, or `count` when there is none.
int FindStx(const std::uint8_t* bytes, int count) {
    int i = 0;
    while (i < count && bytes[i] != STX) ++i;
    return i;
}

}  // namespace

int DataReadSize(std::int32_t packetLengthSetting) {
    const std::int64_t wanted = std::int64_t{packetLengthSetting} + ReadMargin;
    return static_cast<int>(std::clamp<std::int64_t>(wanted, 1, PacketBufferSize));
}

int RequestHeaderPacket(SectionKind section, std::uint8_t* header, unsigned* packetCount) {
    // The reply must have time to cross a slow line whole.
    const LinkTimeouts current = AppliedLinkTimeouts();
    const std::uint32_t readTotal = AtLeastWireTime(current.ReadTotalTimeoutConstant, PacketBufferSize);
    if (readTotal != current.ReadTotalTimeoutConstant) {
        LinkTimeouts slower = current;
        SetLinkTimeouts(slower, readTotal);
    }
    WriteLinkByte(ENQ);
    std::memset(receiveBuffer, 0, sizeof receiveBuffer);
    const int received = ReadLink(receiveBuffer, PacketBufferSize);
    if (ReportIfLinkLost()) return 1;
    if (received == 0) {
        Show(MessageId::HeaderNotReceived);
        return 1;
    }
    // Everything ahead of the first STX is ignored; offsets count from it. Each
    // field is looked at only when it lies within the bytes received.
    const int start = FindStx(receiveBuffer, received);
    const std::uint8_t* packet = receiveBuffer + start;
    const unsigned available = static_cast<unsigned>(received - start);
    bool valid = start < received && available > HeaderCountPositionOffset;
    unsigned length = 0;
    if (valid) {
        length = PacketPayloadLength(packet);
        valid = length + 8 < available && packet[length + 8] == ETX && HeaderCountByteOffset(packet) < available;
    }
    if (!valid) {
        Show(MessageId::HeaderInvalid);
        return 1;
    }
    const unsigned size = length + PacketFramingSize;
    std::memcpy(header, packet, size);
    *packetCount = HeaderPacketCount(packet, section);
    CurrentDisplay().SetProgressRange(SectionBar(section), static_cast<int>(*packetCount));
    return static_cast<int>(size);
}

int ReceiveSection(SectionKind section) {
    const int bar = SectionBar(section);
    const std::uint16_t resent = 0;  // no packet is ever asked for again
    bool previousAccepted = true;
    std::memset(receiveBuffer, 0, sizeof receiveBuffer);
    std::memset(headerBuffer, 0, sizeof headerBuffer);

    unsigned packetCount = 0;
    const int headerSize = RequestHeaderPacket(section, headerBuffer, &packetCount);
    if (headerSize == 1) {
        if (!LinkLost()) Show(MessageId::HeaderNotRead);
        return 1;
    }
    const int readSize = DataReadSize(ReadProfileInt("PacketLength", 0));
    LinkTimeouts timeouts;
    SetLinkTimeouts(timeouts, AtLeastWireTime(1000, readSize), AtLeastWireTime(1000, 1));
    if (!Store(headerBuffer, static_cast<std::size_t>(headerSize))) return 1;
    if (packetCount == 0) return 0;

    char title[64];
    for (unsigned i = 0; i <= packetCount; ++i) {
        if (i == packetCount && previousAccepted) return 0;
        if (TransferStopped()) return 1;
        PumpOneMessage();
        // A damaged packet fails the section here, before anything more is asked for.
        if (!previousAccepted) {
            Show(MessageId::DataError);
            return 1;
        }
        WriteLinkByte(ENQ);
        std::memset(receiveBuffer, 0, sizeof receiveBuffer);
        const int received = ReadLink(receiveBuffer, readSize);
        if (ReportIfLinkLost()) return 1;
        if (received < readSize && CancelFlag) return 1;  // cut short by Cancel: no end of the section
        if (received == 0) return 0;  // the box has nothing more for this section
        // A short reply ends the section, unless its last byte is an ETX or it begins
        // with a whole, valid packet (the box's next announcement may follow it).
        if (received < readSize && receiveBuffer[received - 1] != ETX &&
            !StartsWithValidPacket(receiveBuffer, received))
            return 0;
        if (receiveBuffer[0] != STX) {
            if (section == SectionKind::ApplicationSoftware) {
                CurrentDisplay().SetProgressPosition(bar, static_cast<int>(packetCount));
                return 0;
            }
            Show(MessageId::PartitionWrongSize);
            return 1;
        }
        const unsigned length = PacketPayloadLength(receiveBuffer);
        if (length >= static_cast<unsigned>(PacketBufferSize)) {
            Show(MessageId::PacketLengthWrong);
            return 0;
        }
        // Accepted only with its ETX and checksum inside the bytes received; bytes
        // after the ETX are dropped.
        if (StartsWithValidPacket(receiveBuffer, received)) {
            if (!Store(receiveBuffer, length + PacketFramingSize)) return 1;
            CurrentDisplay().AdvanceProgress(bar);
        } else {
            previousAccepted = false;
        }
        std::snprintf(title, sizeof title, ReceivingResentTitle, resent);
        CurrentDisplay().SetTransferTitle(title);
    }
    return 0;
}
