#include "link/session.h"

#include "core/steady_seconds.h"

double Session::Now() const {
    if (clock) return clock();
    return SteadySeconds();
}

void Session::Status(const char* text) {
    TransferEvent e;
    e.kind = TransferEvent::Kind::Status;
    e.text = text;
    Tell(e);
}

void Session::Show(MessageId id, const char* text) {
    TransferEvent e;
    e.kind = TransferEvent::Kind::Message;
    e.message = id;
    e.text = text ? text : MessageOf(id).text;
    Tell(e);
}

void Session::Step(TransferStep step, std::optional<SectionKind> section) {
    Activity();
    currentStep = step;
    TransferEvent e;
    e.kind = TransferEvent::Kind::Step;
    e.step = step;
    e.section = section;
    Tell(e);
}

void Session::Counted(std::optional<SectionKind> section, int count, bool upload) {
    SectionCounts& counts = outcome.CountsOf(section);
    counts = SectionCounts{};
    counts.begun = true;
    counts.announced = count;
    Activity();
    packetsThrough = 0;
    TransferEvent e;
    e.kind = TransferEvent::Kind::Counted;
    e.section = section;
    e.count = count;
    e.upload = upload;
    Tell(e);
}

void Session::Through(std::optional<SectionKind> section, bool upload, bool unasked, bool filler) {
    SectionCounts& counts = outcome.CountsOf(section);
    ++counts.through;
    counts.filler += filler ? 1 : 0;
    if (unasked) counts.unasked.push_back(counts.through);
    ++packetsThrough;
    Activity();
    TransferEvent e;
    e.kind = TransferEvent::Kind::Packet;
    e.section = section;
    e.count = counts.through;
    e.upload = upload;
    e.unasked = unasked;
    Tell(e);
}

void Session::End(OutcomeKind kind, const FailurePlace& at, std::optional<MessageId> message) {
    if (outcome.kind != OutcomeKind::Done) return;  // the first failure stands, whole
    outcome.kind = kind;
    outcome.section = at.section;
    outcome.packet = at.packet;
    outcome.file = at.file;
    outcome.offset = at.offset;
    outcome.systemError = at.systemError;
    outcome.message = message;
    outcome.step = currentStep;
}

bool Session::OutOfPatience(std::optional<SectionKind> next) {
    if (settings.patience <= 0 || Now() - lastActivity < settings.patience) return false;
    End(OutcomeKind::OutOfPatience, {shortSection ? shortSection : next});
    if (outcome.kind == OutcomeKind::OutOfPatience) {  // its step set by End
        outcome.waited = settings.patience;
        outcome.next = next;
        if (shortSection) {
            outcome.shortPackets = shortPackets;
            outcome.shortCount = shortCount;
        }
    }
    return true;
}

void Session::SectionEnded(std::optional<SectionKind> section, int packets, int count) {
    if (packets < count && section) {
        shortSection = section;
        shortPackets = packets;
        shortCount = count;
    } else {
        shortSection.reset();
    }
}
