#include "upload/section_sender.h"

#include <algorithm>
#include <cstring>

#include "core/packet.h"
#include "stored/stored_section.h"

namespace {

void Tell(Session& s, TransferEvent::Kind kind, std::optional<SectionKind> section, int count) {
    TransferEvent e;
    e.kind = kind;
    e.section = section;
    e.count = count;
    e.upload = true;
    s.Tell(e);
}

int HeaderOffset(const Session& s) { return s.settings.urt ? UrtPrefixSize : 0; }

// The section counts as sent: it stands as done.
int EndedEarly(Session& s, std::optional<SectionKind> section, int sent, unsigned packetCount) {
    s.SectionEnded(section, sent, static_cast<int>(packetCount));
    Tell(s, TransferEvent::Kind::Filled, section, static_cast<int>(packetCount));
    return 0;
}

}  // namespace

int ReadStoredHeader(Session& s, unsigned* packetCount, unsigned* headerLength, std::optional<SectionKind> section) {
    // Room for the prefix and a header as long as a packet buffer holds: the header
    // is sent whole, and its count is read at offset N + 35.
    std::uint8_t bytes[UrtPrefixSize + PacketBufferSize] = {};
    const std::size_t stored = s.in->Read(bytes, sizeof bytes);
    s.in->Rewind();
    const StoredSectionLayout layout = ReadStoredSection(bytes, stored, HeaderOffset(s), section);
    if (!layout.headerUsable) {
        s.Fail(OutcomeKind::PacketDamaged, MessageId::StoredHeaderInvalid, {section});
        return 1;
    }
    *headerLength = static_cast<unsigned>(layout.headerSize - PacketFramingSize);
    *packetCount = layout.announced;
    s.Counted(section, static_cast<int>(*packetCount), true);
    return 0;
}

StoredRead ReadStoredPacket(SectionIn& file, unsigned payloadLength, std::uint8_t* buffer, int skip) {
    for (int i = 0; i < skip; ++i) file.Next();
    int c;
    int lastRead = 0x00;  // the last byte the search read; none read stands as 0x00
    while ((c = file.Next()) != -1 && c != STX) lastRead = c;
    const std::size_t size = payloadLength + PacketFramingSize;
    if (c == -1) {
        // The file holds no further packet: filler stands for it.
        buffer[0] = static_cast<std::uint8_t>(lastRead);
        std::memset(buffer + 1, 0xFF, size - 1);
        return StoredRead::Filler;
    }
    buffer[0] = STX;
    const std::size_t wanted = size - 1;
    const std::size_t got = file.Read(buffer + 1, wanted);
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

namespace {

// The header goes when the box asks; everything else, NAK included, waits. False
// when the upload ends here.
bool SendHeader(Session& s, unsigned headerLength, std::optional<SectionKind> section) {
    std::uint8_t last = 0;  // the box's most recent byte; a time-out leaves it
    do {
        if (TransferStopped(s)) return false;
        s.pump();
        ReadLinkByte(s, &last);
        if (ReportIfLinkLost(s)) return false;
        if (last != ENQ && s.OutOfPatience(section)) return false;
    } while (last != ENQ);
    std::uint8_t* packet = s.packet.data();
    std::memset(packet, 0, PacketBufferSize);
    if (ReadStoredPacket(*s.in, headerLength, packet, HeaderOffset(s)) != StoredRead::Packet) {
        s.Fail(OutcomeKind::PacketDamaged, MessageId::StoredHeaderInvalid, {section});
        return false;
    }
    if (WriteLink(s, packet, static_cast<int>(headerLength) + PacketFramingSize) == 0) {
        s.Fail(OutcomeKind::Failed, MessageId::HeaderNotSent, {section});
        return false;
    }
    s.Step(TransferStep::Packets, section);
    return true;
}

enum class Request { Asked, SilentAfterEnq, Silent, Ended };  // Ended: the upload ends here

// A data packet goes on ENQ, or after a second of silence that followed an ENQ (the
// `last` byte the box sent); NAK ends the upload; silence after any other byte ends
// the section as sent.
Request AwaitRequest(Session& s, std::optional<SectionKind> section, int sent, std::uint8_t* last) {
    for (;;) {
        if (TransferStopped(s)) return Request::Ended;
        s.pump();
        const int got = ReadLinkByte(s, last);
        if (ReportIfLinkLost(s)) return Request::Ended;
        if (*last == NAK) {
            s.Fail(OutcomeKind::PacketRefused, MessageId::DataError, {section, sent});
            return Request::Ended;
        }
        if (*last == ENQ) return got == 1 ? Request::Asked : Request::SilentAfterEnq;
        if (got == 0 && s.stopRequested()) {  // Cancel is no silence
            s.End(OutcomeKind::Cancelled);
            return Request::Ended;
        }
        if (got == 0) return Request::Silent;
    }
}

}  // namespace

int SendSection(Session& s, unsigned packetCount, unsigned headerLength, std::optional<SectionKind> section) {
    std::uint8_t* packetBuffer = s.packet.data();
    // Long enough, on a slow line, for the longest packet to cross it.
    const int longest = std::max(static_cast<int>(headerLength) + PacketFramingSize, DataPacketSize);
    LinkTimeouts timeouts;
    SetLinkTimeouts(s, timeouts, AtLeastWireTime(s, 1000, longest), AtLeastWireTime(s, 1000, longest));
    if (!SendHeader(s, headerLength, section)) return 1;
    Tell(s, TransferEvent::Kind::Resent, section, 0);
    std::uint8_t last = ENQ;  // the box's most recent byte: the header's request
    for (int sent = 0; sent < static_cast<int>(packetCount);) {
        const Request request = AwaitRequest(s, section, sent, &last);
        if (request == Request::Ended) return 1;
        if (request == Request::Silent) return EndedEarly(s, section, sent, packetCount);
        const bool asked = request == Request::Asked;  // a fresh ENQ, not a second of silence after an old one
        // A packet the file does not hold goes as filler when the box asks for it;
        // one that went quiet after the packets it wanted has them all. A packet cut
        // short by the end of the file is not made whole.
        std::memset(packetBuffer, 0, PacketBufferSize);
        const StoredRead read = ReadStoredPacket(*s.in, DataPayloadSize, packetBuffer, 0);
        if (read != StoredRead::Packet && !asked) return EndedEarly(s, section, sent, packetCount);
        if (read == StoredRead::CutShort) {
            s.Fail(OutcomeKind::PacketDamaged, MessageId::StoredPacketMissing, {section, sent + 1});
            return 1;
        }
        if (WriteLink(s, packetBuffer, DataPacketSize) == 0) {
            s.Fail(OutcomeKind::Failed, MessageId::PacketNotSent, {section, sent + 1});
            return 1;
        }
        ++sent;
        s.Through(section, true, !asked, read == StoredRead::Filler);
        Tell(s, TransferEvent::Kind::Resent, section, 0);
    }
    s.SectionEnded(section, static_cast<int>(packetCount), static_cast<int>(packetCount));
    return 0;
}
