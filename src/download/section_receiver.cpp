#include "download/section_receiver.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "core/packet.h"

namespace {

// Appends to the section file, a packet in one write. A write that fails (a full
// disk) is seen here, or at the latest when the session closes the file.
bool Store(Session& s, SectionKind section, const std::uint8_t* bytes, std::size_t size) {
    const int error = s.out->Append(bytes, size);
    if (error == 0) return true;
    s.Fail(OutcomeKind::WriteFailed, MessageId::SectionFileNotWritten, {section, 0, s.filePath, -1, error});
    return false;
}

// The first STX among the bytes received, or `count` when there is none.
int FindStx(const std::uint8_t* bytes, int count) {
    int i = 0;
    while (i < count && bytes[i] != STX) ++i;
    return i;
}

// The header packet among the first `received` bytes, as RequestHeaderPacket takes
// it: everything ahead of the first STX ignored, each field looked at only when it
// lies within the bytes. `needed` is how many bytes (from the first) would settle
// whether one is there, when fewer came.
struct HeaderFound {
    bool valid = false;
    int start = 0;
    unsigned length = 0;
    int needed = 0;
};

HeaderFound FindHeader(const std::uint8_t* bytes, int received) {
    HeaderFound found;
    found.start = FindStx(bytes, received);
    const std::uint8_t* packet = bytes + found.start;
    const unsigned available = static_cast<unsigned>(received - found.start);
    found.needed = found.start + static_cast<int>(HeaderCountPositionOffset) + 1;
    if (found.start >= received || available <= HeaderCountPositionOffset) return found;
    found.length = PacketPayloadLength(packet);
    const unsigned through = std::max(found.length + 9, HeaderCountByteOffset(packet) + 1);
    found.needed = found.start + static_cast<int>(std::min<unsigned>(through, PacketBufferSize));
    found.valid = found.length + 8 < available && packet[found.length + 8] == ETX &&
                  HeaderCountByteOffset(packet) < available;
    return found;
}

// The header's reply with --fast-header: read as it comes, each read asking for just
// the bytes that settle whether a header packet is whole, so that the read returns
// at its last byte. Bytes that cannot make one (no ETX where its length puts it) and
// a reply that stops short wait out the usual read's time, as without it.
int ReadHeaderAsItComes(Session& s, std::uint8_t* buffer, std::uint64_t totalMs) {
    const double deadline = s.Now() + static_cast<double>(totalMs) / 1000.0;
    const auto left = [&] {
        if (totalMs == 0) return std::uint64_t{0};  // a read without end, as the record says
        const double ms = (deadline - s.Now()) * 1000.0;
        return ms > 1 ? static_cast<std::uint64_t>(ms) : std::uint64_t{1};
    };
    int received = 0;
    for (;;) {
        const HeaderFound found = FindHeader(buffer, received);
        if (found.valid) return received;
        if (found.needed <= received || found.needed > PacketBufferSize) break;
        const int got = ReadLinkWithin(s, buffer + received, found.needed - received, left());
        if (got <= 0) return received;
        received += got;
        if (received < found.needed) return received;  // the time ran out
    }
    const int rest = ReadLinkWithin(s, buffer + received, PacketBufferSize - received, left());
    return received + std::max(rest, 0);
}

}  // namespace

int DataReadSize(std::int32_t packetLengthSetting) {
    const std::int64_t wanted = std::int64_t{packetLengthSetting} + ReadMargin;
    return static_cast<int>(std::clamp<std::int64_t>(wanted, 1, PacketBufferSize));
}

int RequestHeaderPacket(Session& s, SectionKind section, std::uint8_t* header, unsigned* packetCount) {
    // The reply must have time to cross a slow line whole.
    const LinkTimeouts current = s.applied;
    const std::uint32_t readTotal = AtLeastWireTime(s, current.ReadTotalTimeoutConstant, PacketBufferSize);
    if (readTotal != current.ReadTotalTimeoutConstant) {
        LinkTimeouts slower = current;
        SetLinkTimeouts(s, slower, readTotal);
    }
    std::uint8_t* receiveBuffer = s.receive.data();
    WriteLinkByte(s, ENQ);
    std::memset(receiveBuffer, 0, PacketBufferSize);
    const int received = s.settings.fastHeader
                             ? ReadHeaderAsItComes(s, receiveBuffer, ReadLinkTotalMs(s, PacketBufferSize))
                             : ReadLink(s, receiveBuffer, PacketBufferSize);
    if (ReportIfLinkLost(s)) return 1;
    if (received == 0) {
        s.Fail(OutcomeKind::Failed, MessageId::HeaderNotReceived, {section});
        return 1;
    }
    const HeaderFound found = FindHeader(receiveBuffer, received);
    if (!found.valid) {
        s.Fail(OutcomeKind::Failed, MessageId::HeaderInvalid, {section});
        return 1;
    }
    const std::uint8_t* packet = receiveBuffer + found.start;
    const unsigned size = found.length + PacketFramingSize;
    std::memcpy(header, packet, size);
    *packetCount = HeaderPacketCount(packet, section);
    s.Counted(section, static_cast<int>(*packetCount), false);
    return static_cast<int>(size);
}

namespace {

// What a data packet's reply comes to.
enum class Reply { Accepted, Damaged, SectionEnds, Failed, LengthWrong };

// The checks of a reply of `received` bytes, in their order: read length, last byte,
// STX, length bound, then ETX and checksum together. An accepted packet is stored.
Reply TakeReply(Session& s, SectionKind section, int received, int readSize, unsigned packetCount, int accepted) {
    const std::uint8_t* reply = s.receive.data();
    if (received == 0) return Reply::SectionEnds;  // the box has nothing more for this section
    // A short reply ends the section, unless its last byte is an ETX or it begins
    // with a whole, valid packet (the box's next announcement may follow it).
    if (received < readSize && reply[received - 1] != ETX && !StartsWithValidPacket(reply, received))
        return Reply::SectionEnds;
    if (reply[0] != STX) {
        if (section == SectionKind::ApplicationSoftware) {
            TransferEvent filled;
            filled.kind = TransferEvent::Kind::Filled;
            filled.section = section;
            filled.count = static_cast<int>(packetCount);
            s.Tell(filled);
            return Reply::SectionEnds;
        }
        s.Fail(OutcomeKind::PacketDamaged, MessageId::PartitionWrongSize, {section, accepted + 1});
        return Reply::Failed;
    }
    const unsigned length = PacketPayloadLength(reply);
    if (length >= static_cast<unsigned>(PacketBufferSize)) {
        // The download goes on with the next section; the image is not whole.
        s.Fail(OutcomeKind::PacketDamaged, MessageId::PacketLengthWrong, {section, accepted + 1});
        return Reply::LengthWrong;
    }
    // Accepted only with its ETX and checksum inside the bytes received; bytes after
    // the ETX are dropped.
    if (!StartsWithValidPacket(reply, received)) return Reply::Damaged;
    if (!Store(s, section, reply, length + PacketFramingSize)) return Reply::Failed;
    s.Through(section, false);
    return Reply::Accepted;
}

}  // namespace

int ReceiveSection(Session& s, SectionKind section) {
    const std::uint16_t resent = 0;  // no packet is ever asked for again
    bool previousAccepted = true;
    std::uint8_t* receiveBuffer = s.receive.data();
    std::uint8_t* headerBuffer = s.header.data();
    std::memset(receiveBuffer, 0, PacketBufferSize);
    std::memset(headerBuffer, 0, PacketBufferSize);

    unsigned packetCount = 0;
    const int headerSize = RequestHeaderPacket(s, section, headerBuffer, &packetCount);
    if (headerSize == 1) {
        if (!LinkLost(s)) s.Show(MessageId::HeaderNotRead);
        return 1;
    }
    const int readSize = DataReadSize(s.settings.packetLength());
    LinkTimeouts timeouts;
    SetLinkTimeouts(s, timeouts, AtLeastWireTime(s, 1000, readSize), AtLeastWireTime(s, 1000, 1));
    if (!Store(s, section, headerBuffer, static_cast<std::size_t>(headerSize))) return 1;
    int accepted = 0;
    // A section that ends here is told, with how many of its packets came.
    const auto ended = [&](int result) {
        if (result == 0) s.SectionEnded(section, accepted, static_cast<int>(packetCount));
        return result;
    };
    TransferEvent resentTitle;
    resentTitle.kind = TransferEvent::Kind::Resent;
    resentTitle.section = section;
    resentTitle.count = resent;
    for (unsigned i = 0; i <= packetCount; ++i) {
        if (i == packetCount && previousAccepted) return ended(0);
        if (TransferStopped(s)) return 1;
        s.pump();
        // A damaged packet fails the section here, before anything more is asked for.
        if (!previousAccepted) {
            s.Fail(OutcomeKind::PacketDamaged, MessageId::DataError, {section, accepted + 1});
            return 1;
        }
        WriteLinkByte(s, ENQ);
        std::memset(receiveBuffer, 0, PacketBufferSize);
        const int received = ReadLink(s, receiveBuffer, readSize);
        if (ReportIfLinkLost(s)) return 1;
        if (received < readSize && s.stopRequested()) {  // cut short by Cancel: no end of the section
            s.End(OutcomeKind::Cancelled);
            return 1;
        }
        switch (TakeReply(s, section, received, readSize, packetCount, accepted)) {
        case Reply::SectionEnds: return ended(0);
        case Reply::Failed: return 1;
        case Reply::LengthWrong: return 0;
        case Reply::Damaged: previousAccepted = false; break;
        case Reply::Accepted: ++accepted; break;
        }
        s.Tell(resentTitle);
    }
    return ended(0);
}
