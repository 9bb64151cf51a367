#include "upload/upload_session.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <vector>

#include "core/packet.h"
#include "stored/stored_section.h"
#include "upload/section_sender.h"

namespace {

// All an upload can send of a file: the URT prefix, a header and 255 x 16 data packets.
constexpr std::size_t StoredFileReadLimit = UrtPrefixSize + PacketBufferSize + 255 * 16 * std::size_t{DataPacketSize};

// Stopped: cancelled, or the port is gone. Refused: the box answered the last packet
// of the section before with NAK.
enum class Handshake { Answered, Silent, Refused, Stopped };

// ETB until the box answers ACK, one byte read after each. With `limitSilence`
// (the opening handshake) the second read that returns nothing gives up. With
// `afterSection` the first read holds the box's answer to that section's last
// packet: a NAK there refuses it.
// With `next` (a section's handshake) the box is to answer within the session's
// patience.
Handshake AnnounceUntilAck(Session& s, bool limitSilence, bool afterSection = false,
                           std::optional<SectionKind> next = std::nullopt) {
    std::uint8_t reply = BEL;  // not ACK: an old ACK never ends a new wait
    bool silentOnce = false;
    bool firstRead = true;
    if (TransferStopped(s)) return Handshake::Stopped;
    for (;;) {
        s.pump();
        WriteLinkByte(s, ETB);
        const int got = ReadLinkByte(s, &reply);
        if (ReportIfLinkLost(s)) return Handshake::Stopped;
        if (afterSection && firstRead && got == 1 && reply == NAK) return Handshake::Refused;
        firstRead = false;
        if (got == 0 && limitSilence) {
            if (silentOnce) return Handshake::Silent;
            silentOnce = true;
        }
        if (reply == ACK) return Handshake::Answered;
        if (afterSection && s.OutOfPatience(next)) return Handshake::Stopped;
        if (TransferStopped(s)) return Handshake::Stopped;
    }
}

// What in a stored file would stop the upload: a header that cannot be sent (or that
// the box would refuse), a damaged data packet (the box refuses it), a last packet
// cut short (not in the file whole). Packets beyond the count announced never go.
std::optional<StoredFinding> ProblemOf(const StoredSectionLayout& layout, bool checkPackets) {
    if (!layout.headerUsable) {
        for (const StoredFinding& f : layout.problems)
            if (f.packet == 0) return f;
        return StoredFinding{StoredProblem::HeaderFieldsMissing, layout.headerOffset};
    }
    if (!checkPackets) return std::nullopt;
    for (const StoredFinding& f : layout.problems) {
        if (f.packet > layout.announced) continue;  // never sent
        if (f.problem == StoredProblem::NoEtx || f.problem == StoredProblem::BadChecksum ||
            f.problem == StoredProblem::PacketCutShort)
            return f;
    }
    return std::nullopt;
}

// Every file the upload will send, opened as it will be opened and read whole as the
// sender will read it, before anything goes to the box: an upload never stops half
// way for a file that is missing or unusable. A file that cannot be opened gives its
// usual message; a damaged one is named, with the packet and what is wrong.
bool CheckStoredFiles(Session& s, const std::string* paths, const bool* sending) {
    std::vector<std::uint8_t> bytes;
    const bool urt = s.settings.urt;
    for (SectionKind kind : AllSections) {
        if (!sending[SectionIndex(kind)]) continue;
        const std::string& path = paths[SectionIndex(kind)];
        const std::optional<SectionKind> section = urt ? std::nullopt : std::optional<SectionKind>(kind);
        int error = 0;
        const std::unique_ptr<SectionIn> file = s.source->Open(path, &error);
        if (!file) {
            s.Fail(OutcomeKind::Failed, MessageId::StoredFileNotOpened, {section, 0, path, -1, error});
            return false;
        }
        // As much as the file holds, up to all an upload can send of it.
        bytes.resize(StoredFileReadLimit);
        std::size_t got = 0, n = 0;
        while (got < bytes.size() && (n = file->Read(bytes.data() + got, bytes.size() - got)) > 0) got += n;
        bytes.resize(got);
        const auto problem =
            ProblemOf(ReadStoredSection(bytes.data(), bytes.size(), urt ? UrtPrefixSize : 0, section),
                      s.settings.checkStoredPackets);
        if (problem) {
            const std::string text = FilledIn(MessageId::StoredFileDamaged, {path, DescribeFinding(*problem)});
            s.Fail(OutcomeKind::PacketDamaged, MessageId::StoredFileDamaged,
                   {section, static_cast<int>(problem->packet), path, static_cast<long long>(problem->offset)},
                   text.c_str());
            return false;
        }
    }
    return true;
}

// Opens one stored file, reads its header and sends it. On failure the port is
// closed and false returned.
bool SendFile(Session& s, const std::string& path, std::optional<SectionKind> section) {
    int error = 0;
    s.filePath = path;
    s.in = s.source->Open(path, &error);
    if (!s.in) {
        s.Fail(OutcomeKind::Failed, MessageId::StoredFileNotOpened, {section, 0, path, -1, error});
        CloseSerialLink(s);
        return false;
    }
    unsigned packetCount = 0, headerLength = 0;
    int result = ReadStoredHeader(s, &packetCount, &headerLength, section);
    if (result == 0) result = SendSection(s, packetCount, headerLength, section);
    s.in.reset();
    if (result != 0) CloseSerialLink(s);
    return result == 0;
}

int Cancelled(Session& s) {
    CloseSerialLink(s);
    return 1;
}

// The box refused a section's last packet: never a completion.
int Refused(Session& s, std::optional<SectionKind> section, int packet) {
    s.Fail(OutcomeKind::PacketRefused, MessageId::DataError, {section, packet});
    CloseSerialLink(s);
    return 1;
}

std::uint32_t SendingReadTotal(const Session& s) {
    const std::int64_t ms = std::int64_t{s.settings.link.SpeedFactor} * 5000;
    return static_cast<std::uint32_t>(std::clamp<std::int64_t>(ms, 0, UINT32_MAX));
}

// One event of a kind: the upload's, of a URT file or of sections.
void Tell(Session& s, TransferEvent::Kind kind) {
    TransferEvent e;
    e.kind = kind;
    e.upload = true;
    e.urt = s.settings.urt;
    s.Tell(e);
}

// The files to send: URT mode sends the chosen file as path 1 with no section;
// section mode the sections its settings name.
void FilesToSend(const Session& s, const std::string& chosenPath, std::string* paths, bool* sending) {
    const bool urt = s.settings.urt;
    for (SectionKind kind : AllSections) {
        const int i = SectionIndex(kind);
        paths[i] = urt ? (kind == SectionKind::FlashDatabase ? chosenPath : std::string())
                       : SectionFilePath(chosenPath, kind);
        sending[i] = urt ? kind == SectionKind::FlashDatabase : s.settings.sections[static_cast<std::size_t>(i)];
    }
}

// Each ticked section, a handshake before every one after the first (a section
// unticked causes no exchange with the box); or the URT file. `sent`: the section sent
// last. -1 when all went, else the session's result.
int SendAll(Session& s, const std::string* paths, const bool* sending, std::optional<SectionKind>* sent) {
    if (s.settings.urt) {
        s.Step(TransferStep::HeaderRequest);
        s.Status(SendingUrtStatus);
        return SendFile(s, paths[0], std::nullopt) ? -1 : 1;
    }
    for (SectionKind kind : AllSections) {
        if (!sending[SectionIndex(kind)]) continue;
        s.Status(SendingStatus(kind));
        if (*sent) {
            s.Step(TransferStep::Handshake, kind);
            const Handshake next = AnnounceUntilAck(s, false, true, kind);
            if (next == Handshake::Stopped) return Cancelled(s);
            if (next == Handshake::Refused) {
                // The refusal is of the last packet sent: the status names its section.
                s.Status(SendingStatus(**sent));
                return Refused(s, *sent, s.packetsThrough);
            }
        }
        s.Step(TransferStep::HeaderRequest, kind);
        *sent = kind;
        if (!SendFile(s, paths[SectionIndex(kind)], kind)) return 1;
    }
    return -1;
}

}  // namespace

int RunUpload(Session& s, const std::string& chosenPath) {
    std::string paths[SectionCount];
    bool sending[SectionCount] = {};
    Tell(s, TransferEvent::Kind::Begun);
    // The files are checked before the dialog collapses and before the port opens: a
    // file that cannot be sent is said while the choice of sections still shows.
    FilesToSend(s, chosenPath, paths, sending);
    if (!CheckStoredFiles(s, paths, sending)) return 1;
    Tell(s, TransferEvent::Kind::Checked);
    if (!OpenSerialLink(s)) return 1;
    s.Step(TransferStep::PowerOn);
    s.Status(SwitchOnForUploadStatus);

    LinkTimeouts timeouts;
    SetLinkTimeouts(s, timeouts, 15000);
    const Handshake opening = AnnounceUntilAck(s, true);
    if (opening == Handshake::Silent) s.End(OutcomeKind::BoxSilent);
    if (opening != Handshake::Answered) return Cancelled(s);  // silent box or Cancel: no message
    SetLinkTimeouts(s, timeouts, SendingReadTotal(s));
    Tell(s, TransferEvent::Kind::Answered);
    std::optional<SectionKind> sent;  // the section sent last
    if (const int ended = SendAll(s, paths, sending, &sent); ended >= 0) return ended;

    s.Step(TransferStep::Closing);
    // The box's first byte after the last packet, read for up to the sender's time:
    // a NAK refuses that packet; any other byte, or none, and the closing ENQ goes,
    // written once the port takes it.
    if (TransferStopped(s)) return Cancelled(s);
    s.pump();
    std::uint8_t reply = 0;
    const int got = ReadLinkByte(s, &reply);
    if (ReportIfLinkLost(s)) return Cancelled(s);
    if (got == 1 && reply == NAK) return Refused(s, sent, s.packetsThrough);
    if (TransferStopped(s)) return Cancelled(s);
    for (;;) {
        s.pump();
        if (WriteLinkByte(s, ENQ) == 1) break;
        if (TransferStopped(s)) return Cancelled(s);
    }
    return CompleteSession(s, MessageId::UploadComplete);
}
