// A transfer as the command line shows it: the session's events turned into typed
// events of its port (the bars on a terminal or in plain lines, --progress=json, each
// box of several boxes or of a station), with what only the command line adds: the
// whole transfer's bytes, the speed (never more than the line carries), and how long
// the box has kept a wait silent. Handed to one sink.
#pragma once

#include <string>

#include "core/transfer_event.h"
#include "display/console/progress_events.h"

class EventsView final : public TransferObserver {
public:
    // `quiet`: only failures.
    EventsView(EventSink& sink, std::string port, bool quiet = false);

    // The line's rate in bytes a second: no speed told is higher (0: not known).
    void SetLineRate(double bytesPerSecond) { lineRate_ = bytesPerSecond; }
    // Seconds between two waiting events (a line drawn in place is told more often).
    void SetWaitingEvery(double seconds) { waitingEvery_ = seconds; }

    void Take(const TransferEvent& event) override;

    // The box has kept the transfer waiting `seconds` for `awaited` ("the box to
    // announce Resource"), or, with `left` (seconds the session still waits), the user
    // for what to do ("switch the box on holding channel up").
    void ShowWaiting(const std::string& awaited, double seconds, double left = -1);
    // Between two reads (and the stop the user asked for), the end of the live lines:
    // for the sink.
    void Tick(bool stopping) { sink_.Redraw(stopping); }
    void Finish() { sink_.EndLines(); }

private:
    ProgressEvent Event(ProgressEvent::Kind kind, std::optional<SectionKind> section = std::nullopt,
                        int count = 0) const;
    void Send(const ProgressEvent& event);

    EventSink& sink_;
    std::string port_;
    bool quiet_;
    double lineRate_ = 0;
    double waitingEvery_ = 5;
    TransferStep step_ = TransferStep::PowerOn;
    std::string lastStatus_;
    int donePackets_ = 0;   // of the whole transfer
    double started_ = 0;    // the section's start
    double waitShown_ = 0;  // the last waiting event
};
