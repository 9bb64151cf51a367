#include "display/console/console_display.h"

#include <cstring>

#include "core/cancel_flag.h"
#include "core/packet.h"
#include "display/console/console_lines.h"

volatile std::sig_atomic_t TerminalResized = 0;

namespace {

// A bar's section as events name it: its name, or "URT file".
std::string SectionTitle(int barId) {
    const auto kind = SectionOfBar(barId);
    return kind ? SectionName(*kind) : BarLabel(barId);
}

constexpr auto RedrawEvery = std::chrono::milliseconds(100);
constexpr double PlainLineEvery = 5;     // seconds between plain lines without a terminal
constexpr double WaitShownAfter = 3;     // seconds of silence before the wait is shown

}  // namespace

ConsoleDisplay::ConsoleDisplay(std::FILE* out, std::FILE* err, bool terminal, bool quiet)
    : out_(out), err_(err), terminal_(terminal), quiet_(quiet) {}

ConsoleDisplay::~ConsoleDisplay() { Finish(); }

void ConsoleDisplay::SetPatience(double seconds, std::function<double()> clock) {
    patience_ = seconds;
    if (clock) clock_ = std::move(clock);
}

double ConsoleDisplay::Now() const {
    if (clock_) return clock_();
    return std::chrono::duration<double>(Clock::now().time_since_epoch()).count();
}

double ConsoleDisplay::Seconds() const { return firstStarted_ < 0 ? 0 : Now() - firstStarted_; }

void ConsoleDisplay::Activity() {
    lastActivity_ = waitShown_ = Now();
    step_ = Step::Other;
}

void ConsoleDisplay::SetStatusText(const char* text) {
    // The completion says it once, on standard output.
    if (!*text || lastStatus_ == text || std::strcmp(text, CompleteStatus) == 0) return;
    FinishBar();
    lastStatus_ = text;
    Activity();
    // A section's status comes before its announcement (download) or its handshake (upload).
    for (SectionKind kind : AllSections) {
        const bool receiving = std::strcmp(text, ReceivingStatus(kind)) == 0;
        if (receiving || std::strcmp(text, SendingStatus(kind)) == 0) {
            step_ = receiving ? Step::Announcement : Step::Handshake;
            stepSection_ = SectionName(kind);
        }
    }
    if (quiet_) return;
    if (events_) {
        events_->Status(text);
        return;
    }
    std::fprintf(err_, "%s\n", text);
    std::fflush(err_);
}

void ConsoleDisplay::SetProgressRange(int barId, int count) {
    FinishBar();
    bar_ = lastBar_ = barId;
    range_ = count;
    position_ = 0;
    advanced_ = 0;
    started_ = plainDrawn_ = Now();
    if (firstStarted_ < 0) firstStarted_ = started_;
    tallies_[barId] = {count, 0, {}};
    Activity();
    // An upload's bar is set before the box asks for the header.
    if (lastStatus_.rfind("Status: Sending", 0) == 0) {
        step_ = Step::HeaderRequest;
        stepSection_ = SectionOfBar(barId) ? SectionName(*SectionOfBar(barId)) : BarLabel(barId);
    }
    if (events_ && !quiet_) events_->Section(SectionTitle(barId), count);
    Draw(false);
}

void ConsoleDisplay::AdvanceProgress(int barId) {
    if (barId != bar_) return;
    ++position_;
    ++advanced_;
    ++donePackets_;
    tallies_[barId].advanced = advanced_;
    dirty_ = true;
    Activity();
    if (events_ && !quiet_)
        events_->Packet(SectionTitle(barId), advanced_, donePackets_ * double{DataPacketSize},
                        Rate(advanced_ * double{DataPacketSize}, Now() - started_));
    PumpOneMessage();
}

void ConsoleDisplay::SetProgressPosition(int barId, int position) {
    if (barId != bar_) return;
    position_ = position;
    dirty_ = true;
    Activity();
    if (events_ && !quiet_) events_->Position(SectionTitle(barId), position);
    Draw(false);
}

void ConsoleDisplay::NotePacketUnasked(int barId) {
    tallies_[barId].unasked.push_back(tallies_[barId].advanced);
    if (events_ && !quiet_) events_->Unasked(SectionTitle(barId), tallies_[barId].advanced);
}

void ConsoleDisplay::PumpOneMessage() {
    if (CancelFlag && !cancelSaid_) {
        cancelSaid_ = true;
        ClearLive();
        if (outOfPatience_.empty())
            std::fprintf(err_, "kestrivane: cancelling at the next check (Ctrl-C again to stop at once)\n");
        std::fflush(err_);
        if (bar_) Draw(false);
    }
    Watch();
    if (TerminalResized || (dirty_ && Clock::now() - drawn_ > RedrawEvery)) Draw(false);
}

// What the box has kept the transfer waiting for ("" for nothing the watch knows).
std::string ConsoleDisplay::Awaited() const {
    switch (step_) {
    case Step::Announcement: return "the box to announce " + stepSection_;
    case Step::Handshake: return "the box to answer the handshake for " + stepSection_;
    case Step::HeaderRequest: return "the box to ask for the header of " + stepSection_;
    case Step::Other: break;
    }
    return {};
}

void ConsoleDisplay::Watch() {
    if (!watching_ || CancelFlag) return;
    const std::string awaited = Awaited();
    if (awaited.empty()) return;
    const double now = Now();
    const double silent = now - lastActivity_;
    if (patience_ > 0 && silent >= patience_) {
        const std::string within = " within " + WholeSeconds(patience_) + " (" + stepSection_ + " was next)";
        outOfPatience_ = step_ == Step::Announcement ? "the box announced no further section" + within
                         : step_ == Step::Handshake  ? "the box answered no section handshake" + within
                                                     : "the box asked for no header" + within;
        CancelFlag = 1;
        cancelSaid_ = true;  // the report says why
        ClearLive();
        return;
    }
    if (silent < WaitShownAfter || quiet_) return;
    if (events_) {
        if (now - waitShown_ < PlainLineEvery) return;
        events_->Waiting(awaited, silent);
    } else if (terminal_) {
        if (now - waitShown_ < 0.5) return;
        ClearLive();
        std::string line = "  waiting for " + awaited + ": " + WholeSeconds(silent);
        std::fputs(FitToWidth(line, TerminalWidth(err_)).c_str(), err_);
        live_ = 1;
    } else {
        if (now - waitShown_ < PlainLineEvery) return;
        std::fprintf(err_, "waiting for %s: %s\n", awaited.c_str(), WholeSeconds(silent).c_str());
    }
    waitShown_ = now;
    std::fflush(err_);
}

void ConsoleDisplay::ShowMessage(const Message& message) {
    Finish();
    // A completion is the result; everything else is a complaint. Why a port could
    // not be opened the report says in this platform's words.
    const bool completion = IsCompletion(message.id);
    if (!completion) failures_.push_back(message.id);
    lastMessage_ = message.text;
    if (message.owner == MessageOwner::MainWindow) return;
    if (events_ && (!quiet_ || !completion)) events_->ShownMessage(message);
    if (events_ && completion) return;  // standard output carries the events alone
    if (!quiet_ || !completion) {
        std::FILE* stream = completion ? out_ : err_;
        std::fprintf(stream, "%s: %s\n", message.caption, message.text);
        std::fflush(stream);
    }
}

bool ConsoleDisplay::Showed(MessageId id) const {
    for (MessageId shown : failures_)
        if (shown == id) return true;
    return false;
}

double ConsoleDisplay::Rate(double bytes, double seconds) const {
    if (seconds <= 0) return 0;
    const double rate = bytes / seconds;
    return lineRate_ > 0 && rate > lineRate_ ? lineRate_ : rate;  // what was written, not yet on the wire
}

std::string ConsoleDisplay::SectionLine(int width, bool final) const {
    const double rate = Rate(advanced_ * double{DataPacketSize}, Now() - started_);
    const double left =
        !final && rate > 0 && position_ < range_ ? (range_ - position_) * double{DataPacketSize} / rate : -1;
    return BarLine(BarLabel(bar_), advanced_, position_, range_, rate, left, width);
}

std::string ConsoleDisplay::TotalLine() const {
    const double seconds = Seconds();
    std::string line = "  in all " + Kilobytes(donePackets_ * double{DataPacketSize}) + " in " + MinutesSeconds(seconds);
    if (expectedPackets_ > donePackets_ && donePackets_ > 0) {
        const double rate = Rate(donePackets_ * double{DataPacketSize}, seconds);
        if (rate > 0)
            line += ", about " + MinutesSeconds((expectedPackets_ - donePackets_) * DataPacketSize / rate) + " left";
    }
    return line;
}

void ConsoleDisplay::ClearLive() {
    if (!live_) return;
    std::fputs("\r\033[K", err_);
    for (int i = 1; i < live_; ++i) std::fputs("\033[1A\r\033[K", err_);
    live_ = 0;
}

void ConsoleDisplay::Draw(bool final) {
    if (!bar_ || events_) return;
    drawn_ = Clock::now();
    dirty_ = false;
    TerminalResized = 0;
    if (quiet_) return;
    if (!terminal_) {
        PlainProgress();
        return;
    }
    const int width = TerminalWidth(err_);
    ClearLive();
    // Two lines: the section's bar, and the whole image below it; the cursor stays at
    // the end of the second. A final draw leaves the section's line alone.
    if (final) {
        std::fprintf(err_, "%s\n", SectionLine(width, true).c_str());
    } else {
        std::fprintf(err_, "%s\n%s", SectionLine(width, false).c_str(), FitToWidth(TotalLine(), width).c_str());
        live_ = 2;
    }
    std::fflush(err_);
}

void ConsoleDisplay::PlainProgress() {
    const double now = Now();
    if (now - plainDrawn_ < PlainLineEvery || advanced_ == 0) return;
    plainDrawn_ = now;
    std::fprintf(err_, "%s: %d of %d data packets (%s) after %.1f s\n", BarLabel(bar_), advanced_, range_,
                 Kilobytes(advanced_ * double{DataPacketSize}).c_str(), now - started_);
    std::fflush(err_);
}

void ConsoleDisplay::FinishBar() {
    if (!bar_) return;
    const bool shown = !quiet_ && !events_;
    if (shown && terminal_) {
        Draw(true);
    } else if (shown && (advanced_ > 0 || position_ < range_ || range_ == 0)) {
        // (A bar only shown full, with no packet through it, has nothing to report.)
        std::fprintf(err_, "%s: %d of %d data packets in %.1f s\n", BarLabel(bar_), advanced_, range_,
                     Now() - started_);
        std::fflush(err_);
    }
    bar_ = 0;
}

void ConsoleDisplay::Finish() {
    FinishBar();
    ClearLive();
    if (CancelFlag && !cancelSaid_) {  // heard only as the session ended
        cancelSaid_ = true;
        std::fprintf(err_, "kestrivane: cancelling: stopped at the next check\n");
    }
    std::fflush(err_);
}
