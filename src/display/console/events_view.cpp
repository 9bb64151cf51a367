#include "display/console/events_view.h"

#include "core/packet.h"
#include "core/steady_seconds.h"

EventsView::EventsView(EventSink& sink, std::string port, bool quiet)
    : sink_(sink), port_(std::move(port)), quiet_(quiet) {}

ProgressEvent EventsView::Event(ProgressEvent::Kind kind, std::optional<SectionKind> section, int count) const {
    ProgressEvent e;
    e.kind = kind;
    e.port = port_;
    e.section = section;
    e.count = count;
    return e;
}

void EventsView::Send(const ProgressEvent& event) {
    if (!quiet_) sink_.Take(event);
}

void EventsView::Take(const TransferEvent& t) {
    using Kind = TransferEvent::Kind;
    using Shown = ProgressEvent::Kind;
    switch (t.kind) {
    case Kind::Status: {
        // The completion says it once, as its message.
        if (!*t.text || lastStatus_ == t.text || step_ == TransferStep::Complete) return;
        lastStatus_ = t.text;
        waitShown_ = SteadySeconds();
        ProgressEvent e = Event(Shown::Status);
        e.text = t.text;
        Send(e);
        return;
    }
    case Kind::Step: {
        step_ = t.step;
        ProgressEvent e = Event(Shown::Step, t.section);
        e.step = t.step;
        Send(e);
        return;
    }
    case Kind::Counted:
        started_ = waitShown_ = SteadySeconds();
        Send(Event(Shown::Section, t.section, t.count));
        return;
    case Kind::Packet: {
        ++donePackets_;
        waitShown_ = SteadySeconds();
        const double seconds = SteadySeconds() - started_;
        double rate = seconds > 0 ? t.count * double{DataPacketSize} / seconds : 0;
        if (lineRate_ > 0 && rate > lineRate_) rate = lineRate_;  // what was written, not yet on the wire
        ProgressEvent e = Event(Shown::Packet, t.section, t.count);
        e.bytes = donePackets_ * double{DataPacketSize};
        e.rate = rate;
        Send(e);
        if (t.unasked) Send(Event(Shown::Unasked, t.section, t.count));
        return;
    }
    case Kind::Filled: Send(Event(Shown::Position, t.section, t.count)); return;
    case Kind::Message: {
        if (quiet_ && IsCompletion(t.message)) return;  // failures are told even so
        ProgressEvent e = Event(Shown::Message);
        e.message = t.message;
        e.text = t.text;
        sink_.Take(e);
        return;
    }
    case Kind::Begun:
    case Kind::Checked:
    case Kind::Answered:
    case Kind::Missing:  // the completion says it
    case Kind::Resent: return;  // the dialog's to show
    }
}

void EventsView::ShowWaiting(const std::string& awaited, double seconds, double left) {
    const double now = SteadySeconds();
    if (now - waitShown_ < waitingEvery_) return;
    waitShown_ = now;
    ProgressEvent e = Event(ProgressEvent::Kind::Waiting);
    e.text = awaited;
    e.seconds = seconds;
    e.left = left;
    Send(e);
}
