// What stands between a session and the command line's view of it: everything the
// session shows goes on to be drawn, and what the command line needs afterwards is
// kept here: each bar's tally, the completion (held back until the command knows it
// ends well), the step the session is in and its times. Between reads it shows how
// long the box has kept a wait silent.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/progress_display.h"
#include "display/console/transfer_view.h"

class TransferRecorder final : public ProgressDisplay {
public:
    // `download`: the session receives (a download, or a read of the box).
    TransferRecorder(TransferView& drawing, bool download);

    // Told each step of the session as it comes (the trace's marks); none: nobody.
    void OnStep(std::function<void(TransferStep, std::optional<SectionKind>)> listener) { onStep_ = std::move(listener); }

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
    void ShowMessage(const Message& message) override;

    // Between two reads: how long the box has kept a wait silent, shown; `stopping` the
    // user asked to stop.
    void Watch(bool stopping);

    // What a bar went through.
    struct Tally {
        int range = 0;
        int advanced = 0;           // packets that went through
        std::vector<int> unasked;   // numbers of the packets sent without the box's request
    };
    const std::map<int, Tally>& Tallies() const { return tallies_; }
    const Tally* TallyOf(int barId) const;
    // The bar that was shown when the first failure came (0: none).
    int FailureBar() const { return failureBar_; }
    // Seconds from the first bar to the session's end, and the data packets through.
    double Seconds() const;
    // The session has returned.
    void Ended() { endedAt_ = Now(); }
    // Draws the completion the session showed (held back until the command knows that
    // it ends well).
    void ShowCompletion();

private:
    double Now() const;
    void Activity();
    std::string Awaited() const;

    TransferView& drawing_;
    bool download_;
    std::function<void(TransferStep, std::optional<SectionKind>)> onStep_;
    std::map<int, Tally> tallies_;
    int lastBar_ = 0;
    int failureBar_ = 0;  // where the first failure was shown
    bool failed_ = false;
    std::optional<Message> completion_;
    double firstBarAt_ = -1, endedAt_ = -1;

    // The watch on the box.
    bool watching_ = false;  // the opening handshake is over
    double lastActivity_ = 0;
    TransferStep step_ = TransferStep::PowerOn;
    std::optional<SectionKind> stepSection_;
};
