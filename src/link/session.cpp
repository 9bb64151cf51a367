#include "link/session.h"

#include <chrono>

double Session::Now() const {
    if (clock) return clock();
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
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
