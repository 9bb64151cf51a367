#include "upload/section_sender.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "core/cancel_flag.h"
#include "core/current_file.h"
#include "core/packet.h"
#include "core/progress_display.h"
#include "link/serial_link.h"
#include "stored/stored_section.h"
#include "upload/urt_mode.h"

namespace {

std::uint8_t packetBuffer[PacketBufferSize];

int ProgressBar(std::optional<SectionKind> section) { return section ? SectionBar(*section) : UrtBarId; }

int HeaderOffset() { return UrtMode ? UrtPrefixSize : 0; }

// The section counts as sent: its bar shows full.
int EndedEarly(int bar, unsigned packetCount) {
    CurrentDisplay().SetProgressPosition(bar, static_cast<int>(packetCount));
    return 0;
}

}  // namespace

int ReadStoredHeader(unsigned* packetCount, unsigned* headerLength, std::optional<SectionKind> section) {
    // Room for the prefix and a header as long as a packet buffer holds: the header
    // is sent whole, and its count is read at offset N + 35.
    std::uint8_t bytes[UrtPrefixSize + PacketBufferSize] = {};
    const std::size_t stored = std::fread(bytes, 1, sizeof bytes, CurrentSectionFile);
    std::rewind(CurrentSectionFile);
    const StoredSectionLayout layout = ReadStoredSection(bytes, stored, HeaderOffset(), section);
    if (!layout.headerUsable) {
        Show(MessageId::StoredHeaderInvalid);
        return 1;
    }
    *headerLength = static_cast<unsigned>(layout.headerSize - PacketFramingSize);
    *packetCount = layout.announced;
    CurrentDisplay().SetProgressRange(ProgressBar(section), static_cast<int>(*packetCount));
    return 0;
}

StoredRead ReadStoredPacket(unsigned payloadLength, std::uint8_t* buffer, int skip) {
    for (int i = 0; i < skip; ++i) std::fgetc(CurrentSectionFile);
    int c;
    int lastRead = 0x00;  // the last byte the search read; none read stands as 0x00
    while ((c = std::fgetc(CurrentSectionFile)) != EOF && c != STX) lastRead = c;
    const std::size_t size = payloadLength + PacketFramingSize;
    if (c == EOF) {
        // The file holds no further packet: filler stands for it.
        buffer[0] = static_cast<std::uint8_t>(lastRead);
        std::memset(buffer + 1, 0xFF, size - 1);
        return StoredRead::Filler;
    }
    buffer[0] = STX;
    const std::size_t wanted = size - 1;
    const std::size_t got = std::fread(buffer + 1, 1, wanted, CurrentSectionFile);
    if (got < wanted) {
        // The file ends within these bytes. A packet that is whole in the file goes
        // with what follows it, 0xFF past the end; one cut short by the end of the
        // file is no packet: its missing bytes are not made up.
        const std::size_t held = got + 1;
        if (held < 4 || PacketPayloadLength(buffer) + PacketFramingSize > held) return StoredRead::CutShort;
        std::memset(buffer + held, 0xFF, wanted - got);
    }
    return StoredRead::Packet;
}

int SendSection(unsigned packetCount, unsigned headerLength, std::optional<SectionKind> section) {
    const int bar = ProgressBar(section);
    // Long enough, on a slow line, for the longest packet to cross it.
    const int longest = std::max(static_cast<int>(headerLength) + PacketFramingSize, DataPacketSize);
    LinkTimeouts timeouts;
    SetLinkTimeouts(timeouts, AtLeastWireTime(1000, longest), AtLeastWireTime(1000, longest));
    std::uint8_t last = 0;  // the box's most recent byte; a time-out leaves it
    char title[64];

    for (unsigned i = 0; i <= packetCount; ++i) {
        std::memset(packetBuffer, 0, sizeof packetBuffer);
        if (i == 0) {
            // The header goes when the box asks; everything else, NAK included, waits.
            do {
                if (TransferStopped()) return 1;
                PumpOneMessage();
                ReadLinkByte(&last);
                if (ReportIfLinkLost()) return 1;
            } while (last != ENQ);
            if (ReadStoredPacket(headerLength, packetBuffer, HeaderOffset()) != StoredRead::Packet) {
                Show(MessageId::StoredHeaderInvalid);
                return 1;
            }
            if (WriteLink(packetBuffer, static_cast<int>(headerLength) + PacketFramingSize) == 0) {
                Show(MessageId::HeaderNotSent);
                return 1;
            }
            EnterStep(TransferStep::Packets, section);
        } else {
            // A data packet goes on ENQ, or after a second of silence that followed
            // an ENQ. NAK ends the upload; silence after any other byte ends the
            // section as sent.
            bool asked = false;  // a fresh ENQ, not a second of silence after an old one
            for (;;) {
                if (TransferStopped()) return 1;
                PumpOneMessage();
                const int got = ReadLinkByte(&last);
                if (ReportIfLinkLost()) return 1;
                if (last == NAK) {
                    Show(MessageId::DataError);
                    return 1;
                }
                if (last == ENQ) {
                    asked = got == 1;
                    break;
                }
                if (got == 0) return CancelFlag ? 1 : EndedEarly(bar, packetCount);  // Cancel is no silence
            }
            // A packet the file does not hold goes as filler when the box asks for it;
            // one that went quiet after the packets it wanted has them all. A packet
            // cut short by the end of the file is not made whole.
            const StoredRead read = ReadStoredPacket(DataPayloadSize, packetBuffer, 0);
            if (read != StoredRead::Packet && !asked) return EndedEarly(bar, packetCount);
            if (read == StoredRead::CutShort) {
                Show(MessageId::StoredPacketMissing);
                return 1;
            }
            if (WriteLink(packetBuffer, DataPacketSize) == 0) {
                Show(MessageId::PacketNotSent);
                return 1;
            }
            CurrentDisplay().AdvanceProgress(bar);
            if (!asked) CurrentDisplay().NotePacketUnasked(bar);
        }
        std::snprintf(title, sizeof title, SendingResentTitle, 0);
        CurrentDisplay().SetTransferTitle(title);
    }
    return 0;
}
