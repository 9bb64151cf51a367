#include "display/console/console_display.h"

#include <algorithm>

#include "core/packet.h"
#include "core/steady_seconds.h"
#include "display/console/console_lines.h"

volatile std::sig_atomic_t TerminalResized = 0;

namespace {

constexpr auto RedrawEvery = std::chrono::milliseconds(100);
constexpr double PlainLineEvery = 5;     // seconds between plain lines without a terminal
constexpr double WaitShownAfter = 3;     // seconds of silence before the wait is shown

}  // namespace

ConsoleDisplay::ConsoleDisplay(std::FILE* out, std::FILE* err, bool terminal, bool quiet)
    : out_(out), err_(err), terminal_(terminal), quiet_(quiet) {}

ConsoleDisplay::~ConsoleDisplay() { Finish(); }

double ConsoleDisplay::Now() const { return SteadySeconds(); }

void ConsoleDisplay::EnterStep(TransferStep step, std::optional<SectionKind>) { step_ = step; }

void ConsoleDisplay::SetStatusText(const char* text) {
    // The completion says it once, on standard output.
    if (!*text || lastStatus_ == text || step_ == TransferStep::Complete) return;
    FinishBar();
    lastStatus_ = text;
    waitShown_ = Now();
    if (quiet_) return;
    ClearLive();  // a waiting line goes
    std::fprintf(err_, "%s\n", text);
    std::fflush(err_);
}

void ConsoleDisplay::SetProgressRange(int barId, int count) {
    FinishBar();
    // A download's section: its header's count stands for the guess.
    if (const auto kind = SectionOfBar(barId); kind && step_ == TransferStep::Packets && expectedPackets_ == 0) {
        estimating_ = true;
        estimates_[SectionIndex(*kind)] = count;
    }
    bar_ = barId;
    range_ = count;
    position_ = 0;
    advanced_ = 0;
    unasked_ = 0;
    started_ = plainDrawn_ = waitShown_ = Now();
    if (lastActivity_ >= 0) {
        gaps_ += started_ - lastActivity_;
        ++gapCount_;
    }
    lastActivity_ = started_;
    ++sectionsStarted_;
    if (firstStarted_ < 0) firstStarted_ = started_;
    Draw(false);
}

void ConsoleDisplay::AdvanceProgress(int barId) {
    lastActivity_ = Now();
    if (barId != bar_) return;
    ++position_;
    ++advanced_;
    ++donePackets_;
    dirty_ = true;
    waitShown_ = Now();
    Tick(stopping_);
}

void ConsoleDisplay::SetProgressPosition(int barId, int position) {
    if (barId != bar_) return;
    position_ = position;
    dirty_ = true;
    Draw(false);
}

void ConsoleDisplay::NotePacketUnasked(int barId) {
    if (barId != bar_) return;
    ++unasked_;
}

void ConsoleDisplay::Tick(bool stopping) {
    stopping_ = stopping_ || stopping;
    if (stopping_ && !cancelSaid_) {
        cancelSaid_ = true;
        ClearLive();
        std::fprintf(err_, "kestrivane: cancelling at the next check (Ctrl-C again to stop at once)\n");
        std::fflush(err_);
        if (bar_) Draw(false);
    }
    if (TerminalResized || (dirty_ && Clock::now() - drawn_ > RedrawEvery)) Draw(false);
}

void ConsoleDisplay::ShowWaiting(const std::string& awaited, double seconds, double left) {
    if (quiet_) return;
    const double now = Now();
    // "waiting for the box to announce Resource: 12 s", "switch the box on ...: 23 s left"
    const std::string said = left < 0 ? "waiting for " + awaited + ": " + WholeSeconds(seconds)
                                      : awaited + ": " + WholeSeconds(left) + " left";
    if (terminal_) {
        if (now - waitShown_ < 0.5) return;
        ClearLive();
        std::fputs(FitToWidth("  " + said, TerminalWidth(err_)).c_str(), err_);
        live_ = 1;
    } else {
        if (now - waitShown_ < PlainLineEvery) return;
        std::fprintf(err_, "%s\n", said.c_str());
    }
    waitShown_ = now;
    std::fflush(err_);
}

void ConsoleDisplay::ShowMessage(const Message& message) {
    Finish();
    // A completion is the result, on standard output; everything else a complaint.
    const bool completion = IsCompletion(message.id);
    if (quiet_ && completion) return;
    std::FILE* stream = completion ? out_ : err_;
    std::fprintf(stream, "%s: %s\n", message.caption, TextElsewhere(message));
    std::fflush(stream);
}

double ConsoleDisplay::Seconds() const { return firstStarted_ < 0 ? 0 : Now() - firstStarted_; }

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
    // The whole transfer's packets: an upload's known, a download's by its estimates.
    int expected = expectedPackets_;
    bool unknown = false;
    if (estimating_) {
        expected = 0;
        for (int packets : estimates_) {
            unknown = unknown || packets < 0;
            expected += packets > 0 ? packets : 0;
        }
    }
    const int sectionsLeft = std::max(0, expectedSections_ - sectionsStarted_);
    if (expected > donePackets_ && donePackets_ > 0 && !unknown && (gapCount_ > 0 || sectionsLeft == 0)) {
        // The packets left at the pace of those through, and the time between sections as measured.
        const double perPacket = (seconds - gaps_) / donePackets_;
        const double left = (expected - donePackets_) * perPacket + (gapCount_ ? sectionsLeft * gaps_ / gapCount_ : 0);
        if (perPacket > 0) line += ", about " + MinutesSeconds(left) + " left";
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
    if (!bar_) return;
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
    const bool shown = !quiet_;
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
    if (stopping_ && !cancelSaid_) {  // heard only as the session ended
        cancelSaid_ = true;
        std::fprintf(err_, "kestrivane: cancelling: stopped at the next check\n");
    }
    std::fflush(err_);
}
