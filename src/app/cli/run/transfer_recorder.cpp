#include "app/cli/run/transfer_recorder.h"

#include "app/cli/machine/clock.h"

namespace {

constexpr double WaitShownAfter = 3;  // seconds of silence before the wait is shown

std::string NameOf(std::optional<SectionKind> section) { return section ? SectionName(*section) : "URT file"; }

}  // namespace

TransferRecorder::TransferRecorder(EventsView& view, bool download)
    : view_(view), download_(download), lastActivity_(SteadySeconds()) {}

double TransferRecorder::Now() const { return SteadySeconds(); }

void TransferRecorder::Take(const TransferEvent& event) {
    using Kind = TransferEvent::Kind;
    switch (event.kind) {
    case Kind::Step:
        step_ = event.step;
        stepSection_ = event.section;
        lastActivity_ = Now();
        if (onStep_) onStep_(event.step, event.section);
        break;
    case Kind::Answered: watching_ = true; break;
    case Kind::Counted:
        if (firstCountAt_ < 0) firstCountAt_ = Now();
        lastActivity_ = Now();
        break;
    case Kind::Packet:
    case Kind::Filled: lastActivity_ = Now(); break;
    case Kind::Message:
        if (IsCompletion(event.message)) {
            completion_ = event;  // told once the command knows it ends well
            view_.Finish();
            return;
        }
        // A port-opening message is said by the outcome, in this platform's words.
        if (MessageOf(event.message).kind == MessageKind::PortOpening) return;
        break;
    default: break;
    }
    view_.Take(event);
}

double TransferRecorder::Seconds() const {
    if (firstCountAt_ < 0) return 0;
    return (endedAt_ >= 0 ? endedAt_ : Now()) - firstCountAt_;
}

std::string TransferRecorder::Awaited() const {
    switch (step_) {
    case TransferStep::Announcement: return "the box to announce " + NameOf(stepSection_);
    case TransferStep::Handshake: return "the box to answer the handshake for " + NameOf(stepSection_);
    case TransferStep::HeaderRequest: return "the box to ask for the header of " + NameOf(stepSection_);
    default: break;
    }
    return {};
}

void TransferRecorder::Watch(bool stopping) {
    view_.Tick(stopping);
    if (stopping) return;
    if (step_ == TransferStep::PowerOn && !watching_) {
        // The box is to be switched on: how long the session still waits for it (a
        // download 10 s, then 15 s from the box's first ETB or from then; an upload two
        // silent reads of 15 s).
        const double left = (download_ ? 25 : 30) - (Now() - lastActivity_);
        view_.ShowWaiting(std::string("switch the box on holding channel ") + (download_ ? "up" : "down"),
                          Now() - lastActivity_, left < 0 ? 0 : left);
        return;
    }
    if (!watching_) return;
    const std::string awaited = Awaited();
    const double silent = Now() - lastActivity_;
    if (!awaited.empty() && silent >= WaitShownAfter) view_.ShowWaiting(awaited, silent);
}

void TransferRecorder::ShowCompletion() {
    if (completion_) view_.Take(*completion_);
}
