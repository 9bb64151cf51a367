#include "download/download_session.h"

#include "core/packet.h"
#include "download/section_receiver.h"
#include "stored/index_file.h"

namespace {

enum class Wait { Announced, Silent, Stopped };  // Stopped: cancelled, the port is gone, or out of patience

// One byte per pass until ETB, with a pump before every read. `silenceEnds`: a
// read that returns nothing ends the wait as Silent (otherwise it only ends the
// pass). The stop test (Cancel, or the port gone) runs before the first pass and
// after every pass that did not end the wait, so a wait lasts at most one read past
// a Cancel; a port that has gone away ends it at once. With `awaited` the box is to
// announce that section, within the session's patience.
Wait WaitForEtb(Session& s, std::uint8_t* buffer, bool silenceEnds, std::optional<SectionKind> awaited = {}) {
    if (TransferStopped(s)) return Wait::Stopped;
    for (;;) {
        s.pump();
        const int got = ReadLinkByte(s, buffer);
        if (ReportIfLinkLost(s)) return Wait::Stopped;
        if (*buffer == ETB && got == 1) return Wait::Announced;
        if (got == 0 && s.stopRequested()) {  // a read Cancel cut short is no silence
            s.End(OutcomeKind::Cancelled);
            return Wait::Stopped;
        }
        if (got == 0 && silenceEnds) return Wait::Silent;
        if (awaited && s.OutOfPatience(*awaited)) return Wait::Stopped;
        if (TransferStopped(s)) return Wait::Stopped;
    }
}

enum class Section { Received, Failed, NotCreated };

// Creates the kind's section file, receives the section into it at time-critical
// priority and closes it.
Section ReceiveIntoFile(Session& s, const std::string& chosenPath, SectionKind kind) {
    s.filePath = SectionFilePath(chosenPath, kind);
    int error = 0;
    s.out = s.sink->CreateSection(s.filePath, &error);
    if (!s.out) {
        s.Fail(OutcomeKind::WriteFailed, MessageId::SectionFileNotCreated, {kind, 0, s.filePath, -1, error});
        return Section::NotCreated;
    }
    s.Step(TransferStep::Packets, kind);
    if (s.priority) s.priority->SetThreadTimeCritical();
    int result = ReceiveSection(s, kind);
    if (s.priority) s.priority->SetThreadNormal();
    // What the close writes out may fail too (a full disk): the section is then lost.
    error = s.out->Close();
    s.out.reset();
    if (error != 0 && result == 0) {
        s.Fail(OutcomeKind::WriteFailed, MessageId::SectionFileNotWritten, {kind, 0, s.filePath, -1, error});
        result = 1;
    }
    return result == 0 ? Section::Received : Section::Failed;
}

int Finish(Session& s, int result) {
    CloseSerialLink(s);
    return result;
}

// One event of a kind, about `section`.
void Tell(Session& s, TransferEvent::Kind kind, std::optional<SectionKind> section = std::nullopt, int count = 0) {
    TransferEvent e;
    e.kind = kind;
    e.section = section;
    e.count = count;
    s.Tell(e);
}

// The opening handshake: the first ETB (or 10 s of silence), then the next ETB within
// 15 s, answered with ACK. False when it did not end so (a silent box is recorded).
bool OpeningHandshake(Session& s, LinkTimeouts& timeouts) {
    std::uint8_t byte = 0;
    SetLinkTimeouts(s, timeouts, 10000);
    if (WaitForEtb(s, &byte, true) == Wait::Stopped) return false;
    SetLinkTimeouts(s, timeouts, 15000);
    byte = 0;
    const Wait second = WaitForEtb(s, &byte, true);
    if (second == Wait::Silent) s.End(OutcomeKind::BoxSilent);
    if (second != Wait::Announced) return false;  // cancelled, or a silent box: no message
    WriteLinkByte(s, ACK);
    return true;
}

// Flash Database to Eeprom Database, each announced, answered and received.
bool FirstFourSections(Session& s, const std::string& chosenPath) {
    for (SectionKind kind : AllSections) {
        if (kind == SectionKind::ApplicationSoftware) break;
        if (kind != SectionKind::FlashDatabase) {
            s.Step(TransferStep::Announcement, kind);
            s.Status(ReceivingStatus(kind));
        }
        std::uint8_t byte = 0;  // an ETB of an earlier exchange never counts
        if (WaitForEtb(s, &byte, false, kind) == Wait::Stopped) return false;
        WriteLinkByte(s, ACK);
        if (ReceiveIntoFile(s, chosenPath, kind) != Section::Received) return false;
    }
    return true;
}

// Application Software, or none: the box says nothing for 2 s. Then the session's end.
int LastSection(Session& s, const std::string& chosenPath, LinkTimeouts& timeouts) {
    SetLinkTimeouts(s, timeouts, 2000, 2000);
    s.Step(TransferStep::Announcement, SectionKind::ApplicationSoftware);
    s.Status(ReceivingStatus(SectionKind::ApplicationSoftware));
    std::uint8_t byte = 0;
    const Wait application = WaitForEtb(s, &byte, true);
    if (application == Wait::Stopped) return Finish(s, 1);
    if (application == Wait::Silent) {
        // The box has no Application Software: no ACK, no .ur5 file.
        Tell(s, TransferEvent::Kind::Missing, SectionKind::ApplicationSoftware);
        return CompleteSession(s, MessageId::DownloadCompleteWithoutApplication);
    }
    WriteLinkByte(s, ACK);
    const Section last = ReceiveIntoFile(s, chosenPath, SectionKind::ApplicationSoftware);
    if (last == Section::NotCreated) return Finish(s, 1);
    if (last == Section::Failed) {
        // A partial Application Software file is removed (one we could not create
        // is not ours to remove).
        CloseSerialLink(s);
        s.sink->RemoveSection(SectionFilePath(chosenPath, SectionKind::ApplicationSoftware));
        return 1;
    }
    return CompleteSession(s, MessageId::DownloadComplete);
}

}  // namespace

int RunDownload(Session& s, const std::string& chosenPath) {
    if (s.priority) s.priority->RaiseProcessPriority();
    Tell(s, TransferEvent::Kind::Begun);
    if (!OpenSerialLink(s)) return 1;
    s.Step(TransferStep::PowerOn);
    s.Status(SwitchOnForDownloadStatus);
    // A download goes on without its index file.
    int indexError = 0;
    if (WriteIndexFile(chosenPath, *s.sink, s.observer, &indexError) != 0)
        s.End(OutcomeKind::WriteFailed, {std::nullopt, 0, chosenPath, -1, indexError}, MessageId::IndexFileNotCreated);

    LinkTimeouts timeouts;
    if (!OpeningHandshake(s, timeouts)) return Finish(s, 1);
    s.Step(TransferStep::Announcement, SectionKind::FlashDatabase);
    s.Status(ReceivingStatus(SectionKind::FlashDatabase));
    Tell(s, TransferEvent::Kind::Answered);
    SetLinkTimeouts(s, timeouts, 1000);
    if (!FirstFourSections(s, chosenPath)) return Finish(s, 1);
    return LastSection(s, chosenPath, timeouts);
}
