// What stands between a session and the console display: everything the session
// shows goes on to be drawn, and what the command line needs afterwards is kept
// here: each bar's tally, the failures shown, the step the session is in and its
// times. It also keeps the command line's watch on the box: once the opening
// handshake is over, a box that stays silent where it should announce a section,
// answer a section handshake or ask for a header is shown as awaited, and after the
// patience the transfer is cancelled. When the session has returned, it says the
// transfer's outcome.
#pragma once

#include <array>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/cli/run/transfer_outcome.h"
#include "core/progress_display.h"
#include "display/console/console_display.h"

class TransferRecorder final : public ProgressDisplay {
public:
    // `download`: the session receives (a download, or a read of the box).
    TransferRecorder(ConsoleDisplay& drawing, bool download);

    // Seconds the box may stay silent between sections before the transfer is
    // cancelled (0: without end), on the clock given (seconds; the steady clock
    // unless another is given).
    void SetPatience(double seconds, std::function<double()> clock = {});
    // Told each step of the session as it comes (the trace's marks); none: nobody.
    void OnStep(std::function<void(TransferStep, std::optional<SectionKind>)> listener) { onStep_ = std::move(listener); }
    // Sections an upload sends (all five unless told otherwise).
    void SetChecked(const std::array<bool, SectionCount>& checked) { checked_ = checked; }
    // The name a download writes its index under (its section files follow from it),
    // so that a file that cannot be made or written is named.
    void SetWrittenImage(const std::string& chosenPath) { writtenImage_ = chosenPath; }

    void SetStatusText(const char* text) override { drawing_.SetStatusText(text); }
    void EnterStep(TransferStep step, std::optional<SectionKind> section) override;
    void SetTransferTitle(const char* text) override { drawing_.SetTransferTitle(text); }
    void Repaint() override { drawing_.Repaint(); }
    void ShowSectionProgress() override;
    void ShowUrtProgress() override;
    void SetProgressRange(int barId, int count) override;
    void AdvanceProgress(int barId) override;
    void SetProgressPosition(int barId, int position) override;
    void NotePacketUnasked(int barId) override;
    void CollapseSectionOptions() override { drawing_.CollapseSectionOptions(); }
    void PumpOneMessage() override;
    bool IsSectionChecked(SectionKind kind) override { return checked_[SectionIndex(kind)]; }
    void ShowMessage(const Message& message) override;

    // What a bar went through.
    struct Tally {
        int range = 0;
        int advanced = 0;           // packets that went through
        std::vector<int> unasked;   // numbers of the packets sent without the box's request
    };
    const std::map<int, Tally>& Tallies() const { return tallies_; }
    const Tally* TallyOf(int barId) const;
    int LastBar() const { return lastBar_; }
    // The bar that was shown when the first failure came (0: none).
    int FailureBar() const { return failureBar_; }
    // Failures shown, in order.
    const std::vector<MessageId>& Failures() const { return failures_; }
    bool Showed(MessageId id) const;
    // Seconds from the first bar to the session's end, and the data packets through.
    double Seconds() const;
    int DonePackets() const { return donePackets_; }

    // The session has returned `result`: how the transfer ended, as far as the session
    // and the watch tell. `port` names the port in the words of a port problem.
    TransferOutcome Outcome(int result, const std::string& port);
    // Draws the completion the session showed (held back until the command knows
    // that it ends well).
    void ShowCompletion();

private:
    double Now() const;
    void Activity();
    std::string Awaited() const;
    std::string StepSectionName() const;
    void Watch();

    ConsoleDisplay& drawing_;
    bool download_;
    std::function<void(TransferStep, std::optional<SectionKind>)> onStep_;
    std::array<bool, SectionCount> checked_{true, true, true, true, true};
    std::map<int, Tally> tallies_;
    int lastBar_ = 0;
    int donePackets_ = 0;
    std::vector<MessageId> failures_;
    int failureBar_ = 0, failureThrough_ = 0;  // where the first failure was shown: its bar, the packets through
    std::string failureText_;                   // and its text as shown
    std::string writtenImage_;
    int fileError_ = 0;                         // a file's failure: the system's reason, and its section
    std::optional<SectionKind> fileSection_;
    std::optional<Message> completion_;
    std::optional<Message> portMessage_;  // a port-opening message, said in this platform's words instead
    double firstBarAt_ = -1, endedAt_ = -1;

    // The watch on the box.
    std::function<double()> clock_;
    double patience_ = 0;
    bool watching_ = false;  // the opening handshake is over
    double lastActivity_ = 0;
    TransferStep step_ = TransferStep::PowerOn;
    std::optional<SectionKind> stepSection_;
    std::string outOfPatience_;
    std::optional<SectionKind> stoppedSection_;
};
