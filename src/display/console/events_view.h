// A transfer shown as typed events (--progress=json, and each box of several boxes
// or of a station): every operation of the session as an event of its port, handed
// to a sink.
#pragma once

#include <string>

#include "display/console/progress_events.h"
#include "display/console/transfer_view.h"

class EventsView final : public TransferView {
public:
    // `quiet`: only failures and the end.
    EventsView(EventSink& sink, std::string port, bool quiet = false);

    // The line's rate in bytes a second: no speed told is higher (0: not known).
    void SetLineRate(double bytesPerSecond) { lineRate_ = bytesPerSecond; }

    void SetStatusText(const char* text) override;
    void EnterStep(TransferStep step, std::optional<SectionKind> section) override;
    void SetProgressRange(int barId, int count) override;
    void AdvanceProgress(int barId) override;
    void SetProgressPosition(int barId, int position) override;
    void NotePacketUnasked(int barId) override;
    void ShowMessage(const Message& message) override;

    void ShowWaiting(const std::string& awaited, double seconds, double left = -1) override;
    void Tick(bool) override {}
    void StopExplained() override {}
    void Finish() override {}

private:
    ProgressEvent Event(ProgressEvent::Kind kind) const;
    // An event of a bar's section, with its count.
    ProgressEvent OnBar(ProgressEvent::Kind kind, int barId, int count) const;
    void Send(const ProgressEvent& event);

    EventSink& sink_;
    std::string port_;
    bool quiet_;
    double lineRate_ = 0;
    TransferStep step_ = TransferStep::PowerOn;
    std::string lastStatus_;
    int bar_ = 0;
    int advanced_ = 0;      // packets of the section through
    int donePackets_ = 0;   // of the whole transfer
    double started_ = 0;    // the section's start
    double waitShown_ = 0;  // the last waiting event
};
