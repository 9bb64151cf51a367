#include "link/session.h"

#include "core/steady_seconds.h"

double Session::Now() const {
    if (clock) return clock();
    return SteadySeconds();
}

int Session::Complete(MessageId done) {
    Step(TransferStep::Complete);
    observer.SetStatusText(CompleteStatus);
    CloseSerialLink(*this);
    End(OutcomeKind::Done, std::nullopt, 0, done);
    Show(done);
    return 0;
}

void Session::End(OutcomeKind kind, std::optional<SectionKind> section, int packet, std::optional<MessageId> message) {
    if (outcome.kind != OutcomeKind::Done) return;  // the first failure stands
    outcome.kind = kind;
    outcome.section = section;
    outcome.packet = packet;
    outcome.message = message;
}

bool Session::OutOfPatience(std::optional<SectionKind> next) {
    if (settings.patience <= 0 || Now() - lastActivity < settings.patience) return false;
    End(OutcomeKind::OutOfPatience, shortSection ? shortSection : next);
    if (outcome.kind == OutcomeKind::OutOfPatience) {
        outcome.step = currentStep;
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
