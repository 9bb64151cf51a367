#include "display/console/events_view.h"

#include "core/packet.h"
#include "core/steady_seconds.h"

namespace {

constexpr double WaitingEvery = 5;  // seconds between two waiting events

// A bar's section as events name it: its name, or "URT file".
std::string SectionTitle(int barId) {
    const auto kind = SectionOfBar(barId);
    return kind ? SectionName(*kind) : BarLabel(barId);
}

}  // namespace

EventsView::EventsView(EventSink& sink, std::string port, bool quiet)
    : sink_(sink), port_(std::move(port)), quiet_(quiet) {}

ProgressEvent EventsView::Event(ProgressEvent::Kind kind) const {
    ProgressEvent e;
    e.kind = kind;
    e.port = port_;
    return e;
}

ProgressEvent EventsView::OnBar(ProgressEvent::Kind kind, int barId, int count) const {
    ProgressEvent e = Event(kind);
    e.section = SectionTitle(barId);
    e.count = count;
    return e;
}

void EventsView::Send(const ProgressEvent& event) {
    if (!quiet_) sink_.Take(event);
}

void EventsView::SetStatusText(const char* text) {
    // The completion says it once, as its message.
    if (!*text || lastStatus_ == text || step_ == TransferStep::Complete) return;
    lastStatus_ = text;
    waitShown_ = SteadySeconds();
    ProgressEvent e = Event(ProgressEvent::Kind::Status);
    e.text = text;
    Send(e);
}

void EventsView::EnterStep(TransferStep step, std::optional<SectionKind> section) {
    step_ = step;
    ProgressEvent e = Event(ProgressEvent::Kind::Step);
    e.step = TransferStepName(step);
    e.section = section ? SectionName(*section) : "";
    Send(e);
}

void EventsView::SetProgressRange(int barId, int count) {
    bar_ = barId;
    advanced_ = 0;
    started_ = waitShown_ = SteadySeconds();
    Send(OnBar(ProgressEvent::Kind::Section, barId, count));
}

void EventsView::AdvanceProgress(int barId) {
    if (barId != bar_) return;
    ++advanced_;
    ++donePackets_;
    waitShown_ = SteadySeconds();
    const double seconds = SteadySeconds() - started_;
    double rate = seconds > 0 ? advanced_ * double{DataPacketSize} / seconds : 0;
    if (lineRate_ > 0 && rate > lineRate_) rate = lineRate_;  // what was written, not yet on the wire
    ProgressEvent e = OnBar(ProgressEvent::Kind::Packet, barId, advanced_);
    e.bytes = donePackets_ * double{DataPacketSize};
    e.rate = rate;
    Send(e);
}

void EventsView::SetProgressPosition(int barId, int position) {
    if (barId != bar_) return;
    Send(OnBar(ProgressEvent::Kind::Position, barId, position));
}

void EventsView::NotePacketUnasked(int barId) {
    if (barId != bar_) return;
    Send(OnBar(ProgressEvent::Kind::Unasked, barId, advanced_));
}

void EventsView::ShowMessage(const Message& message) {
    if (quiet_ && IsCompletion(message.id)) return;  // failures are told even so
    ProgressEvent e = Event(ProgressEvent::Kind::Message);
    e.id = message.name;
    e.caption = message.caption;
    e.text = message.text;
    sink_.Take(e);
}

void EventsView::ShowWaiting(const std::string& awaited, double seconds, double left) {
    const double now = SteadySeconds();
    if (now - waitShown_ < WaitingEvery) return;
    waitShown_ = now;
    ProgressEvent e = Event(ProgressEvent::Kind::Waiting);
    e.text = awaited;
    e.seconds = seconds;
    e.left = left;
    Send(e);
}
