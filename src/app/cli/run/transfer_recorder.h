// What stands between a session and the command line's view of it: everything the
// session tells goes on to be shown, but for the completion (held back until the
// command knows it ends well) and the port's messages (the outcome says them in this
// system's words). Between reads it shows how long the box has kept a wait silent,
// and it keeps the transfer's times and tells each step to whoever listens (the trace).
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "core/transfer_event.h"
#include "display/console/events_view.h"

class TransferRecorder final : public TransferObserver {
public:
    // `download`: the session receives (a download, or a read of the box).
    TransferRecorder(EventsView& view, bool download);

    // Told each step of the session as it comes (the trace's marks); none: nobody.
    void OnStep(std::function<void(TransferStep, std::optional<SectionKind>)> listener) { onStep_ = std::move(listener); }

    void Take(const TransferEvent& event) override;

    // Between two reads: how long the box has kept a wait silent, shown; `stopping` the
    // user asked to stop.
    void Watch(bool stopping);

    // Seconds from the first section's count to the session's end.
    double Seconds() const;
    // The session has returned.
    void Ended() { endedAt_ = Now(); }
    // Shows the completion the session told (held back until the command knows that
    // it ends well).
    void ShowCompletion();

private:
    double Now() const;
    std::string Awaited() const;

    EventsView& view_;
    bool download_;
    std::function<void(TransferStep, std::optional<SectionKind>)> onStep_;
    std::optional<TransferEvent> completion_;
    double firstCountAt_ = -1, endedAt_ = -1;

    // The watch on the box.
    bool watching_ = false;  // the opening handshake is over
    double lastActivity_ = 0;
    TransferStep step_ = TransferStep::PowerOn;
    std::optional<SectionKind> stepSection_;
};
