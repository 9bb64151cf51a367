#include "upload/upload_session.h"

#include <algorithm>
#include <cstdio>
#include <cstdint>
#include <optional>

#include "app/config/link_settings.h"
#include "display/cancel_flag.h"
#include "display/progress_display.h"
#include "link/current_file.h"
#include "link/packet.h"
#include "link/serial_link.h"
#include "upload/section_sender.h"
#include "upload/urt_mode.h"

namespace {

const char* SendingStatus(SectionKind kind) {
    static const char* const texts[SectionCount] = {
        "Status: Sending Flash Database",   "Status: Sending Satellite Database",
        "Status: Sending Resource",         "Status: Sending Eeprom Database",
        "Status: Sending Application Software",
    };
    return texts[SectionIndex(kind)];
}

enum class Handshake { Answered, Silent, Cancelled };

// ETB until the box answers ACK, one byte read after each. With `limitSilence`
// (the opening handshake) the second read that returns nothing gives up.
Handshake AnnounceUntilAck(bool limitSilence) {
    std::uint8_t reply = BEL;  // not ACK: an old ACK never ends a new wait
    bool silentOnce = false;
    if (CancelFlag) return Handshake::Cancelled;
    for (;;) {
        PumpOneMessage();
        WriteLinkByte(ETB);
        if (ReadLinkByte(&reply) == 0 && limitSilence) {
            if (silentOnce) return Handshake::Silent;
            silentOnce = true;
        }
        if (reply == ACK) return Handshake::Answered;
        if (CancelFlag) return Handshake::Cancelled;
    }
}

// Opens one stored file, reads its header and sends it. On failure the port is
// closed and false returned.
bool SendFile(const std::string& path, std::optional<SectionKind> section) {
    CurrentSectionFile = std::fopen(path.c_str(), "r+b");  // must be writable; never written
    if (!CurrentSectionFile) {
        ShowError("Could not open file");
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

std::uint32_t SendingReadTotal() {
    const std::int64_t ms = std::int64_t{LinkSettings.SpeedFactor} * 5000;
    return static_cast<std::uint32_t>(std::clamp<std::int64_t>(ms, 0, UINT32_MAX));
}

}  // namespace

int RunUpload(const std::string& chosenPath) {
    ProgressDisplay& display = CurrentDisplay();
    std::string paths[SectionCount];
    if (!UrtMode) {
        display.SetTransferTitle("Sending Status - Wait To Return To Main Screen");
        display.CollapseSectionOptions();
    }
    if (!OpenSerialLink()) return 1;
    display.SetStatusText("Status: Turn On Box Holding Channel Down");
    display.Repaint();
    for (SectionKind kind : AllSections)
        paths[SectionIndex(kind)] = UrtMode ? (kind == SectionKind::FlashDatabase ? chosenPath : std::string())
                                            : SectionFilePath(chosenPath, kind);

    LinkTimeouts timeouts;
    SetLinkTimeouts(timeouts, 15000);
    const Handshake opening = AnnounceUntilAck(true);
    if (opening != Handshake::Answered) return Cancelled();  // silent box or Cancel: no message
    SetLinkTimeouts(timeouts, SendingReadTotal());

    if (UrtMode) {
        display.ShowUrtProgress();
        display.SetStatusText("Status: Sending URT file");
        if (!SendFile(paths[0], std::nullopt)) return 1;
    } else {
        display.ShowSectionProgress();
        bool started = false;
        for (SectionKind kind : AllSections) {
            if (!display.IsSectionChecked(kind)) continue;  // no exchange for an unticked section
            display.SetStatusText(SendingStatus(kind));
            if (started && AnnounceUntilAck(false) == Handshake::Cancelled) return Cancelled();
            started = true;
            if (!SendFile(paths[SectionIndex(kind)], kind)) return 1;
        }
    }

    // The closing ENQ: written once the port takes it; nothing is read.
    if (CancelFlag) return Cancelled();
    for (;;) {
        PumpOneMessage();
        if (WriteLinkByte(ENQ) == 1) break;
        if (CancelFlag) return Cancelled();
    }
    display.SetStatusText("Status: Transfer Complete");
    CloseSerialLink();
    display.ShowMessage({"Transfer Complete - Do not switch off box until 'BOOT' is displayed", "Status",
                         MessageIcon::None});
    return 0;
}
