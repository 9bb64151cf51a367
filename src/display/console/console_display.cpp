#include "display/console/console_display.h"

#include <algorithm>

#include "core/packet.h"
#include "core/steady_seconds.h"
#include "display/console/console_lines.h"

volatile std::sig_atomic_t TerminalResized = 0;

namespace {

constexpr auto RedrawEvery = std::chrono::milliseconds(100);
constexpr double PlainLineEvery = 5;     // seconds between plain lines without a terminal

}  // namespace

ConsoleDisplay::ConsoleDisplay(std::FILE* out, std::FILE* err, bool terminal, bool quiet)
    : out_(out), err_(err), terminal_(terminal), quiet_(quiet) {}

ConsoleDisplay::~ConsoleDisplay() { Finish(); }

double ConsoleDisplay::Now() const { return SteadySeconds(); }

void ConsoleDisplay::Take(const ProgressEvent& e) {
    using Kind = ProgressEvent::Kind;
    switch (e.kind) {
    case Kind::Status: SetStatusText(e.text); break;
    case Kind::Step: step_ = e.step; break;
    case Kind::Section: StartSection(e.section, e.count); break;
    case Kind::Packet: Advance(e); break;
    case Kind::Position:
        if (!bar_) break;
        position_ = e.count;
        dirty_ = true;
        Draw(false);
        break;
    case Kind::Unasked: unasked_ += bar_ ? 1 : 0; break;
    case Kind::Waiting: ShowWaiting(e); break;
    case Kind::Message: ShowMessage(e); break;
    case Kind::Port:
    case Kind::Unmatched:
    case Kind::BoxEnd:
    case Kind::End: break;
    }
}

void ConsoleDisplay::SetStatusText(const std::string& text) {
    // The completion says it once, on standard output.
    if (text.empty() || lastStatus_ == text || step_ == TransferStep::Complete) return;
    FinishBar(true);  // the session moved on: the section ended as the box ended it
    lastStatus_ = text;
    if (quiet_) return;
    ClearLive();  // a waiting line goes
    std::fprintf(err_, "%s\n", text.c_str());
    std::fflush(err_);
}

void ConsoleDisplay::StartSection(std::optional<SectionKind> section, int count) {
    FinishBar(true);  // the section before ended as the box ended it
    // A download's section: its header's count stands for the guess.
    if (section && step_ == TransferStep::Packets && expectedPackets_ == 0) {
        estimating_ = true;
        estimates_[SectionIndex(*section)] = count;
    }
    bar_ = true;
    section_ = section;
    range_ = count;
    position_ = 0;
    advanced_ = 0;
    rate_ = 0;
    unasked_ = 0;
    started_ = plainDrawn_ = Now();
    if (lastActivity_ >= 0) {
        gaps_ += started_ - lastActivity_;
        ++gapCount_;
    }
    lastActivity_ = started_;
    ++sectionsStarted_;
    if (firstStarted_ < 0) firstStarted_ = started_;
    Draw(false);
}

void ConsoleDisplay::Advance(const ProgressEvent& packet) {
    lastActivity_ = Now();
    if (!bar_) return;
    ++position_;
    advanced_ = packet.count;
    rate_ = packet.rate;
    ++donePackets_;
    dirty_ = true;
    Tick(stopping_);
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

void ConsoleDisplay::ShowWaiting(const ProgressEvent& waiting) {
    if (quiet_) return;
    // "waiting for the box to announce Resource: 12 s", "switch the box on ...: 23 s left"
    const std::string said = waiting.left < 0 ? "waiting for " + waiting.text + ": " + WholeSeconds(waiting.seconds)
                                              : waiting.text + ": " + WholeSeconds(waiting.left) + " left";
    if (terminal_) {
        ClearLive();
        std::fputs(FitToWidth("  " + said, TerminalWidth(err_)).c_str(), err_);
        live_ = 1;
    } else {
        std::fprintf(err_, "%s\n", said.c_str());
    }
    std::fflush(err_);
}

void ConsoleDisplay::ShowMessage(const ProgressEvent& message) {
    if (IsCompletion(message.message)) FinishBar(true);  // the last section ended as the box ended it
    Finish();
    // A completion is the result, on standard output. A failure's cause is said once,
    // in the command line's words, by whoever reads the outcome.
    if (quiet_ || !IsCompletion(message.message)) return;
    std::fprintf(out_, "%s: %s\n", ConsoleCaption(message.message), message.text.c_str());
    std::fflush(out_);
}

double ConsoleDisplay::Seconds() const { return firstStarted_ < 0 ? 0 : Now() - firstStarted_; }

std::string ConsoleDisplay::SectionLine(int width, bool final) const {
    const double left =
        !final && rate_ > 0 && position_ < range_ ? (range_ - position_) * double{DataPacketSize} / rate_ : -1;
    return BarLine(ProgressLabel(section_), advanced_, position_, range_, rate_, left, width);
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
    if (expected > donePackets_ && donePackets_ > 0 && (gapCount_ > 0 || sectionsLeft == 0)) {
        // The packets left at the pace of those through, and the time between sections as
        // measured; while a section's count is not known yet, what is known is a least.
        const double perPacket = (seconds - gaps_) / donePackets_;
        const double left = (expected - donePackets_) * perPacket + (gapCount_ ? sectionsLeft * gaps_ / gapCount_ : 0);
        if (perPacket > 0) line += std::string(unknown ? ", at least " : ", about ") + MinutesSeconds(left) + " left";
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
    std::fprintf(err_, "%s: %d of %d data packets (%s) after %.1f s\n", ProgressLabel(section_), advanced_, range_,
                 Kilobytes(advanced_ * double{DataPacketSize}).c_str(), now - started_);
    std::fflush(err_);
}

void ConsoleDisplay::FinishBar(bool whole) {
    if (!bar_) return;
    // A section the box ended short of its count (its last block of 16 not full) is
    // whole: its bar shows full, its count as it came.
    if (whole) position_ = range_;
    const bool shown = !quiet_;
    if (shown && terminal_) {
        Draw(true);
    } else if (shown && (advanced_ > 0 || advanced_ < range_ || range_ == 0)) {
        // (A bar only shown full, with no packet through it, has nothing to report.)
        std::fprintf(err_, "%s: %d of %d data packets in %.1f s\n", ProgressLabel(section_), advanced_, range_,
                     Now() - started_);
        std::fflush(err_);
    }
    bar_ = false;
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
