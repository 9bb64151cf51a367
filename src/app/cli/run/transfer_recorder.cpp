#include "app/cli/run/transfer_recorder.h"

#include "app/cli/machine/clock.h"

namespace {

constexpr double WaitShownAfter = 3;  // seconds of silence before the wait is shown

std::string NameOf(std::optional<SectionKind> section) { return section ? SectionName(*section) : "URT file"; }

}  // namespace

TransferRecorder::TransferRecorder(TransferView& drawing, bool download)
    : drawing_(drawing), download_(download), lastActivity_(SteadySeconds()) {}

double TransferRecorder::Now() const { return SteadySeconds(); }

void TransferRecorder::Activity() { lastActivity_ = Now(); }

void TransferRecorder::EnterStep(TransferStep step, std::optional<SectionKind> section) {
    step_ = step;
    stepSection_ = section;
    Activity();
    if (onStep_) onStep_(step, section);
    drawing_.EnterStep(step, section);
}

void TransferRecorder::ShowSectionProgress() {
    watching_ = true;
    drawing_.ShowSectionProgress();
}

void TransferRecorder::ShowUrtProgress() {
    watching_ = true;
    drawing_.ShowUrtProgress();
}

void TransferRecorder::SetProgressRange(int barId, int count) {
    lastBar_ = barId;
    tallies_[barId] = {count, 0, {}};
    if (firstBarAt_ < 0) firstBarAt_ = Now();
    Activity();
    drawing_.SetProgressRange(barId, count);
}

void TransferRecorder::AdvanceProgress(int barId) {
    ++tallies_[barId].advanced;
    Activity();
    drawing_.AdvanceProgress(barId);
}

void TransferRecorder::SetProgressPosition(int barId, int position) {
    Activity();
    drawing_.SetProgressPosition(barId, position);
}

void TransferRecorder::NotePacketUnasked(int barId) {
    tallies_[barId].unasked.push_back(tallies_[barId].advanced);
    drawing_.NotePacketUnasked(barId);
}

void TransferRecorder::ShowMessage(const Message& message) {
    if (IsCompletion(message.id)) {
        completion_ = message;  // said once the command knows it ends well
        drawing_.Finish();
        return;
    }
    if (!failed_) failureBar_ = lastBar_;
    failed_ = true;
    // A port-opening message is said by the outcome, in this platform's words.
    if (message.owner == MessageOwner::MainWindow) return;
    drawing_.ShowMessage(message);
}

const TransferRecorder::Tally* TransferRecorder::TallyOf(int barId) const {
    const auto it = tallies_.find(barId);
    return it == tallies_.end() ? nullptr : &it->second;
}

double TransferRecorder::Seconds() const {
    if (firstBarAt_ < 0) return 0;
    return (endedAt_ >= 0 ? endedAt_ : Now()) - firstBarAt_;
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
    drawing_.Tick(stopping);
    if (stopping) return;
    if (step_ == TransferStep::PowerOn && !watching_) {
        // The box is to be switched on: how long the session still waits for it (a
        // download 10 s, then 15 s from the box's first ETB or from then; an upload two
        // silent reads of 15 s).
        const double left = (download_ ? 25 : 30) - (Now() - lastActivity_);
        drawing_.ShowWaiting(std::string("switch the box on holding channel ") + (download_ ? "up" : "down"),
                             Now() - lastActivity_, left < 0 ? 0 : left);
        return;
    }
    if (!watching_) return;
    const std::string awaited = Awaited();
    const double silent = Now() - lastActivity_;
    if (!awaited.empty() && silent >= WaitShownAfter) drawing_.ShowWaiting(awaited, silent);
}

void TransferRecorder::ShowCompletion() {
    if (completion_) drawing_.ShowMessage(*completion_);
}
