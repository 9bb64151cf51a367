#include "display/console/console_display.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>

#include "core/packet.h"

volatile std::sig_atomic_t TerminalResized = 0;

namespace {

constexpr auto RedrawEvery = std::chrono::milliseconds(100);
constexpr auto PlainLineEvery = std::chrono::seconds(5);

int TerminalWidth(std::FILE* stream) {
    winsize size{};
    if (ioctl(fileno(stream), TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
    return 80;
}

std::string MinutesSeconds(double seconds) {
    const long s = static_cast<long>(seconds + 0.5);
    char text[32];
    std::snprintf(text, sizeof text, "%ld:%02ld", s / 60, s % 60);
    return text;
}

std::string Kilobytes(double bytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f kB", bytes / 1000);
    return text;
}

}  // namespace

ConsoleDisplay::ConsoleDisplay(std::FILE* out, std::FILE* err, bool terminal, bool quiet)
    : out_(out), err_(err), terminal_(terminal), quiet_(quiet) {}

ConsoleDisplay::~ConsoleDisplay() { FinishBar(); }

void ConsoleDisplay::SetStatusText(const char* text) {
    if (!*text || lastStatus_ == text) return;
    FinishBar();
    lastStatus_ = text;
    if (quiet_) return;
    std::fprintf(err_, "%s\n", text);
    std::fflush(err_);
}

void ConsoleDisplay::SetProgressRange(int barId, int count) {
    FinishBar();
    bar_ = lastBar_ = barId;
    range_ = count;
    position_ = 0;
    advanced_ = 0;
    started_ = plainDrawn_ = Clock::now();
    if (tallies_.empty()) firstStarted_ = started_;
    tallies_[barId] = {count, 0};
    Draw(false);
}

void ConsoleDisplay::AdvanceProgress(int barId) {
    if (barId != bar_) return;
    ++position_;
    ++advanced_;
    ++donePackets_;
    tallies_[barId].advanced = advanced_;
    dirty_ = true;
    PumpOneMessage();
}

void ConsoleDisplay::SetProgressPosition(int barId, int position) {
    if (barId != bar_) return;
    position_ = position;
    dirty_ = true;
    Draw(false);
}

void ConsoleDisplay::PumpOneMessage() {
    if (TerminalResized || (dirty_ && Clock::now() - drawn_ > RedrawEvery)) Draw(false);
}

void ConsoleDisplay::ShowMessage(const Message& message) {
    FinishBar();
    // A completion is the result; everything else is a complaint.
    const bool completion = IsCompletion(message.id);
    if (!completion) failures_.push_back(message.id);
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

// "  Resource             [#######------]   18/48    46.8 kB/s  1 s left", at most width - 1 characters.
std::string ConsoleDisplay::SectionLine(int width) const {
    const double seconds = std::chrono::duration<double>(drawn_ - started_).count();
    const double rate = seconds > 0 ? advanced_ * double{DataPacketSize} / seconds : 0;
    char tail[64] = "";
    if (rate > 0 && position_ < range_)
        std::snprintf(tail, sizeof tail, "  %.1f kB/s  %.0f s left", rate / 1000,
                      (range_ - position_) * double{DataPacketSize} / rate);
    else if (rate > 0)
        std::snprintf(tail, sizeof tail, "  %.1f kB/s", rate / 1000);
    char counts[32];
    std::snprintf(counts, sizeof counts, " %4d/%-4d", advanced_, range_);
    char label[32];
    std::snprintf(label, sizeof label, "  %-20s [", BarLabel(bar_));
    std::string rest = std::string("]") + counts + tail;
    int barWidth = width - 1 - static_cast<int>(std::string(label).size() + rest.size());
    if (barWidth < 10) {  // a narrow terminal: the bar before the speed
        rest = std::string("]") + counts;
        barWidth = width - 1 - static_cast<int>(std::string(label).size() + rest.size());
    }
    barWidth = std::max(barWidth, 3);
    const int filled = range_ > 0 ? std::min(barWidth, position_ * barWidth / range_) : (position_ > 0 ? barWidth : 0);
    std::string line = label + std::string(static_cast<std::size_t>(filled), '#') +
                       std::string(static_cast<std::size_t>(barWidth - filled), '-') + rest;
    if (static_cast<int>(line.size()) > width - 1) line.resize(static_cast<std::size_t>(std::max(width - 1, 0)));
    return line;
}

// "  in all 245.3 kB in 0:42, about 1:10 left": the whole image so far.
std::string ConsoleDisplay::TotalLine() const {
    const double seconds = std::chrono::duration<double>(Clock::now() - firstStarted_).count();
    std::string line = "  in all " + Kilobytes(donePackets_ * double{DataPacketSize}) + " in " + MinutesSeconds(seconds);
    if (expectedPackets_ > donePackets_ && donePackets_ > 0 && seconds > 0)
        line += ", about " + MinutesSeconds((expectedPackets_ - donePackets_) * seconds / donePackets_) + " left";
    return line;
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
    std::string total = TotalLine();
    if (static_cast<int>(total.size()) > width - 1) total.resize(static_cast<std::size_t>(std::max(width - 1, 0)));
    // Two lines: the section's bar, and the whole image below it; the cursor stays at
    // the end of the second. A final draw leaves the section's line and clears the other.
    std::fprintf(err_, "%s\r\033[K%s\n\033[K%s", live_ ? "\033[1A" : "", SectionLine(width).c_str(),
                 final ? "" : total.c_str());
    live_ = !final;
    std::fflush(err_);
}

void ConsoleDisplay::PlainProgress() {
    if (Clock::now() - plainDrawn_ < PlainLineEvery || advanced_ == 0) return;
    plainDrawn_ = Clock::now();
    const double seconds = std::chrono::duration<double>(plainDrawn_ - started_).count();
    std::fprintf(err_, "%s: %d of %d data packets (%s) after %.1f s\n", BarLabel(bar_), advanced_, range_,
                 Kilobytes(advanced_ * double{DataPacketSize}).c_str(), seconds);
    std::fflush(err_);
}

void ConsoleDisplay::FinishBar() {
    if (!bar_) return;
    if (quiet_) {
    } else if (terminal_) {
        Draw(true);
    } else if (advanced_ > 0 || position_ < range_ || range_ == 0) {
        // (A bar only shown full, with no packet through it, has nothing to report.)
        const double seconds = std::chrono::duration<double>(Clock::now() - started_).count();
        std::fprintf(err_, "%s: %d of %d data packets in %.1f s\n", BarLabel(bar_), advanced_, range_, seconds);
        std::fflush(err_);
    }
    bar_ = 0;
}
