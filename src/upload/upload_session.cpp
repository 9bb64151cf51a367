#include "upload/upload_session.h"

#include <algorithm>
#include <cstdio>
#include <cstdint>
#include <optional>
#include <vector>

#include "core/current_file.h"
#include "core/link_settings.h"
#include "core/packet.h"
#include "core/progress_display.h"
#include "link/serial_link.h"
#include "upload/section_sender.h"
#include "stored/stored_section.h"
#include "upload/urt_mode.h"

bool CheckStoredPackets = true;

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
Handshake AnnounceUntilAck(bool limitSilence, bool afterSection = false) {
    std::uint8_t reply = BEL;  // not ACK: an old ACK never ends a new wait
    bool silentOnce = false;
    bool firstRead = true;
    if (TransferStopped()) return Handshake::Stopped;
    for (;;) {
        PumpOneMessage();
        WriteLinkByte(ETB);
        const int got = ReadLinkByte(&reply);
        if (ReportIfLinkLost()) return Handshake::Stopped;
        if (afterSection && firstRead && got == 1 && reply == NAK) return Handshake::Refused;
        firstRead = false;
        if (got == 0 && limitSilence) {
            if (silentOnce) return Handshake::Silent;
            silentOnce = true;
        }
        if (reply == ACK) return Handshake::Answered;
        if (TransferStopped()) return Handshake::Stopped;
    }
}

std::FILE* OpenStoredFile(const std::string& path) {
    return std::fopen(path.c_str(), "r+b");  // must be writable; never written
}

// What in a stored file would stop the upload: a header that cannot be sent (or that
// the box would refuse), a damaged data packet (the box refuses it), a last packet
// cut short (not in the file whole). Packets beyond the count announced never go.
std::optional<StoredFinding> ProblemOf(const StoredSectionLayout& layout) {
    if (!layout.headerUsable) {
        for (const StoredFinding& f : layout.problems)
            if (f.packet == 0) return f;
        return StoredFinding{StoredProblem::HeaderFieldsMissing, layout.headerOffset};
    }
    if (!CheckStoredPackets) return std::nullopt;
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
bool CheckStoredFiles(const std::string* paths, const bool* sending) {
    std::vector<std::uint8_t> bytes;
    for (SectionKind kind : AllSections) {
        if (!sending[SectionIndex(kind)]) continue;
        const std::string& path = paths[SectionIndex(kind)];
        std::FILE* file = OpenStoredFile(path);
        if (!file) {
            Show(MessageId::StoredFileNotOpened);
            return false;
        }
        // As much as the file holds, up to all an upload can send of it.
        std::fseek(file, 0, SEEK_END);
        const long size = std::ftell(file);
        std::rewind(file);
        bytes.resize(std::min<std::size_t>(size > 0 ? static_cast<std::size_t>(size) : 0, StoredFileReadLimit));
        bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file));
        std::fclose(file);
        const auto problem = ProblemOf(ReadStoredSection(bytes.data(), bytes.size(), UrtMode ? UrtPrefixSize : 0,
                                                         UrtMode ? std::nullopt : std::optional<SectionKind>(kind)));
        if (problem) {
            std::string text;
            CurrentDisplay().ShowMessage(FilledIn(MessageId::StoredFileDamaged, {path, DescribeFinding(*problem)}, &text));
            return false;
        }
    }
    return true;
}

// Opens one stored file, reads its header and sends it. On failure the port is
// closed and false returned.
bool SendFile(const std::string& path, std::optional<SectionKind> section) {
    CurrentSectionFile = OpenStoredFile(path);
    if (!CurrentSectionFile) {
        Show(MessageId::StoredFileNotOpened);
        CloseSerialLink();
        return false;
    }
    unsigned packetCount = 0, headerLength = 0;
    int result = ReadStoredHeader(&packetCount, &headerLength, section);
    if (result == 0) result = SendSection(packetCount, headerLength, section);
    std::fclose(CurrentSectionFile);
    CurrentSectionFile = nullptr;
    if (result != 0) CloseSerialLink();
    return result == 0;
}

int Cancelled() {
    CloseSerialLink();
    return 1;
}

// The box refused a section's last packet: never a completion.
int Refused() {
    Show(MessageId::DataError);
    CloseSerialLink();
    return 1;
}

std::uint32_t SendingReadTotal() {
    const std::int64_t ms = std::int64_t{LinkSettings.SpeedFactor} * 5000;
    return static_cast<std::uint32_t>(std::clamp<std::int64_t>(ms, 0, UINT32_MAX));
}

}  // namespace

int RunUpload(const std::string& chosenPath) {
    ProgressDisplay& display = CurrentDisplay();
    std::string paths[SectionCount];
    if (!UrtMode) display.SetTransferTitle(SendingTitle);
    // The files to send: URT mode sends the chosen file as path 1 with no section;
    // section mode the ticked sections (each box is read once). They are checked
    // before the dialog collapses and before the port opens: a file that cannot be
    // sent is said while the choice of sections still shows.
    bool sending[SectionCount] = {};
    for (SectionKind kind : AllSections) {
        const int i = SectionIndex(kind);
        paths[i] = UrtMode ? (kind == SectionKind::FlashDatabase ? chosenPath : std::string())
                           : SectionFilePath(chosenPath, kind);
        sending[i] = UrtMode ? kind == SectionKind::FlashDatabase : display.IsSectionChecked(kind);
    }
    if (!CheckStoredFiles(paths, sending)) return 1;
    if (!UrtMode) display.CollapseSectionOptions();
    if (!OpenSerialLink()) return 1;
    EnterStep(TransferStep::PowerOn);
    display.SetStatusText(SwitchOnForUploadStatus);
    display.Repaint();

    LinkTimeouts timeouts;
    SetLinkTimeouts(timeouts, 15000);
    const Handshake opening = AnnounceUntilAck(true);
    if (opening != Handshake::Answered) return Cancelled();  // silent box or Cancel: no message
    SetLinkTimeouts(timeouts, SendingReadTotal());

    if (UrtMode) {
        display.ShowUrtProgress();
        EnterStep(TransferStep::HeaderRequest);
        display.SetStatusText(SendingUrtStatus);
        if (!SendFile(paths[0], std::nullopt)) return 1;
    } else {
        display.ShowSectionProgress();
        std::optional<SectionKind> sent;  // the section sent last
        for (SectionKind kind : AllSections) {
            if (!sending[SectionIndex(kind)]) continue;  // no exchange for an unticked section
            display.SetStatusText(SendingStatus(kind));
            if (sent) {
                EnterStep(TransferStep::Handshake, kind);
                const Handshake next = AnnounceUntilAck(false, true);
                if (next == Handshake::Stopped) return Cancelled();
                if (next == Handshake::Refused) {
                    // The refusal is of the last packet sent: the status names its section.
                    display.SetStatusText(SendingStatus(*sent));
                    return Refused();
                }
            }
            EnterStep(TransferStep::HeaderRequest, kind);
            sent = kind;
            if (!SendFile(paths[SectionIndex(kind)], kind)) return 1;
        }
    }

    EnterStep(TransferStep::Closing);
    // The box's first byte after the last packet, read for up to the sender's time:
    // a NAK refuses that packet; any other byte, or none, and the closing ENQ goes,
    // written once the port takes it.
    if (TransferStopped()) return Cancelled();
    PumpOneMessage();
    std::uint8_t reply = 0;
    const int got = ReadLinkByte(&reply);
    if (ReportIfLinkLost()) return Cancelled();
    if (got == 1 && reply == NAK) return Refused();
    if (TransferStopped()) return Cancelled();
    for (;;) {
        PumpOneMessage();
        if (WriteLinkByte(ENQ) == 1) break;
        if (TransferStopped()) return Cancelled();
    }
    EnterStep(TransferStep::Complete);
    display.SetStatusText(CompleteStatus);
    CloseSerialLink();
    Show(MessageId::UploadComplete);
    return 0;
}
