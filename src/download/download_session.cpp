#include "download/download_session.h"

#include <cstdio>

#include "core/cancel_flag.h"
#include "core/current_file.h"
#include "core/packet.h"
#include "core/progress_display.h"
#include "stored/index_file.h"
#include "download/priority_hook.h"
#include "download/section_receiver.h"
#include "link/serial_link.h"

namespace {

enum class Wait { Announced, Silent, Stopped };  // Stopped: cancelled, or the port is gone

// One byte per pass until ETB, with a pump before every read. `silenceEnds`: a
// read that returns nothing ends the wait as Silent (otherwise it only ends the
// pass). The stop test (Cancel, or the port gone) runs before the first pass and
// after every pass that did not end the wait, so a wait lasts at most one read past
// a Cancel; a port that has gone away ends it at once.
Wait WaitForEtb(std::uint8_t* buffer, bool silenceEnds) {
    if (TransferStopped()) return Wait::Stopped;
    for (;;) {
        PumpOneMessage();
        const int got = ReadLinkByte(buffer);
        if (ReportIfLinkLost()) return Wait::Stopped;
        if (*buffer == ETB && got == 1) return Wait::Announced;
        if (got == 0 && CancelFlag) return Wait::Stopped;  // a read Cancel cut short is no silence
        if (got == 0 && silenceEnds) return Wait::Silent;
        if (TransferStopped()) return Wait::Stopped;
    }
}

enum class Section { Received, Failed, NotCreated };

// Creates the kind's section file, receives the section into it at time-critical
// priority and closes it.
Section ReceiveIntoFile(const std::string& chosenPath, SectionKind kind) {
    const std::string path = SectionFilePath(chosenPath, kind);
    CurrentSectionFile = std::fopen(path.c_str(), "wb");
    if (!CurrentSectionFile) {
        Show(MessageId::SectionFileNotCreated);
        return Section::NotCreated;
    }
    // Unbuffered: each packet goes to the file in one write, so that a signal that
    // stops the program finds whole packets only in the file.
    std::setvbuf(CurrentSectionFile, nullptr, _IONBF, 0);
    EnterStep(TransferStep::Packets, kind);
    CurrentPriorityHook().SetThreadTimeCritical();
    int result = ReceiveSection(kind);
    CurrentPriorityHook().SetThreadNormal();
    // What the close writes out may fail too (a full disk): the section is then lost.
    if (std::fclose(CurrentSectionFile) != 0 && result == 0) {
        Show(MessageId::SectionFileNotWritten);
        result = 1;
    }
    CurrentSectionFile = nullptr;
    return result == 0 ? Section::Received : Section::Failed;
}

int Finish(int result) {
    CloseSerialLink();
    return result;
}

}  // namespace

int RunDownload(const std::string& chosenPath) {
    ProgressDisplay& display = CurrentDisplay();
    CurrentPriorityHook().RaiseProcessPriority();
    display.SetTransferTitle(ReceivingTitle);
    if (!OpenSerialLink()) return 1;
    EnterStep(TransferStep::PowerOn);
    display.SetStatusText(SwitchOnForDownloadStatus);
    display.Repaint();
    WriteIndexFile(chosenPath);  // a download goes on without its index file

    // Opening handshake: the first ETB (or 10 s of silence), then the next ETB
    // within 15 s, answered with ACK.
    LinkTimeouts timeouts;
    std::uint8_t byte = 0;
    SetLinkTimeouts(timeouts, 10000);
    if (WaitForEtb(&byte, true) == Wait::Stopped) return Finish(1);
    SetLinkTimeouts(timeouts, 15000);
    byte = 0;
    const Wait second = WaitForEtb(&byte, true);
    if (second != Wait::Announced) return Finish(1);  // cancelled, or a silent box: no message
    WriteLinkByte(ACK);

    EnterStep(TransferStep::Announcement, SectionKind::FlashDatabase);
    display.SetStatusText(ReceivingStatus(SectionKind::FlashDatabase));
    display.ShowSectionProgress();
    SetLinkTimeouts(timeouts, 1000);

    for (SectionKind kind : AllSections) {
        if (kind == SectionKind::ApplicationSoftware) break;
        if (kind != SectionKind::FlashDatabase) {
            EnterStep(TransferStep::Announcement, kind);
            display.SetStatusText(ReceivingStatus(kind));
        }
        byte = 0;  // an ETB of an earlier exchange never counts
        if (WaitForEtb(&byte, false) == Wait::Stopped) return Finish(1);
        WriteLinkByte(ACK);
        if (ReceiveIntoFile(chosenPath, kind) != Section::Received) return Finish(1);
    }

    SetLinkTimeouts(timeouts, 2000, 2000);
    EnterStep(TransferStep::Announcement, SectionKind::ApplicationSoftware);
    display.SetStatusText(ReceivingStatus(SectionKind::ApplicationSoftware));
    byte = 0;
    const Wait application = WaitForEtb(&byte, true);
    if (application == Wait::Stopped) return Finish(1);
    if (application == Wait::Silent) {
        // The box has no Application Software: no ACK, no .ur5 file.
        const int bar = SectionBar(SectionKind::ApplicationSoftware);
        display.SetProgressRange(bar, 10);
        display.SetProgressPosition(bar, 10);
        EnterStep(TransferStep::Complete);
        display.SetStatusText(CompleteStatus);
        CloseSerialLink();
        Show(MessageId::DownloadCompleteWithoutApplication);
        return 0;
    }
    WriteLinkByte(ACK);
    const Section last = ReceiveIntoFile(chosenPath, SectionKind::ApplicationSoftware);
    if (last == Section::NotCreated) return Finish(1);
    if (last == Section::Failed) {
        // A partial Application Software file is removed (one we could not create
        // is not ours to remove).
        CloseSerialLink();
        std::remove(SectionFilePath(chosenPath, SectionKind::ApplicationSoftware).c_str());
        return 1;
    }
    EnterStep(TransferStep::Complete);
    display.SetStatusText(CompleteStatus);
    CloseSerialLink();
    Show(MessageId::DownloadComplete);
    return 0;
}
