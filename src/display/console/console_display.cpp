#include "display/console/console_display.h"

#include <algorithm>

#include "display/section_display.h"
#include "link/packet.h"

const char* BarLabel(int barId) {
    if (barId == UrtBarId) return "URT file";
    for (SectionKind kind : AllSections)
        if (SectionDisplayOf(kind).barId == barId) return SectionDisplayOf(kind).labelText;
    return "?";
}

ConsoleDisplay::ConsoleDisplay(std::FILE* out, std::FILE* err, bool terminal)
    : out_(out), err_(err), terminal_(terminal) {}

ConsoleDisplay::~ConsoleDisplay() { FinishBar(); }

void ConsoleDisplay::SetStatusText(const char* text) {
    if (!*text || lastStatus_ == text) return;
    FinishBar();
    lastStatus_ = text;
    std::fprintf(err_, "%s\n", text);
    std::fflush(err_);
}

void ConsoleDisplay::SetProgressRange(int barId, int count) {
    FinishBar();
    bar_ = barId;
    range_ = count;
    position_ = 0;
    advanced_ = 0;
    started_ = Clock::now();
    Draw(false);
}

void ConsoleDisplay::AdvanceProgress(int barId) {
    if (barId != bar_) return;
    ++position_;
    ++advanced_;
    dirty_ = true;
    if (Clock::now() - drawn_ > std::chrono::milliseconds(100)) Draw(false);
}

void ConsoleDisplay::SetProgressPosition(int barId, int position) {
    if (barId != bar_) return;
    position_ = position;
    dirty_ = true;
    Draw(false);
}

void ConsoleDisplay::PumpOneMessage() {
    if (dirty_ && Clock::now() - drawn_ > std::chrono::milliseconds(100)) Draw(false);
}

MessageAnswer ConsoleDisplay::ShowMessage(const Message& message) {
    FinishBar();
    // A completion is the result; everything else is a complaint.
    const bool completion = message.icon != MessageIcon::Error && std::string(message.caption) == "Status";
    std::FILE* stream = completion ? out_ : err_;
    std::fprintf(stream, "%s: %s\n", message.caption, message.text);
    std::fflush(stream);
    return message.buttons == MessageButtons::YesNo ? MessageAnswer::No : MessageAnswer::Ok;
}

void ConsoleDisplay::Draw(bool final) {
    if (!bar_) return;
    drawn_ = Clock::now();
    dirty_ = false;
    if (!terminal_) return;
    const double seconds = std::chrono::duration<double>(drawn_ - started_).count();
    const double rate = seconds > 0 ? advanced_ * double{DataPacketSize} / seconds : 0;
    char tail[64] = "";
    if (rate > 0 && position_ < range_)
        std::snprintf(tail, sizeof tail, "  %.1f kB/s  %.0f s left", rate / 1000,
                      (range_ - position_) * double{DataPacketSize} / rate);
    else if (rate > 0)
        std::snprintf(tail, sizeof tail, "  %.1f kB/s", rate / 1000);
    constexpr int width = 30;
    const int filled = range_ > 0 ? std::min(width, position_ * width / range_) : (position_ > 0 ? width : 0);
    std::fprintf(err_, "\r  %-20s [%s%s] %4d/%-4d%s\033[K%s", BarLabel(bar_),
                 std::string(static_cast<std::size_t>(filled), '#').c_str(),
                 std::string(static_cast<std::size_t>(width - filled), '-').c_str(), advanced_, range_, tail,
                 final ? "\n" : "");
    std::fflush(err_);
}

void ConsoleDisplay::FinishBar() {
    if (!bar_) return;
    if (terminal_) {
        Draw(true);
    } else if (advanced_ > 0 || position_ < range_ || range_ == 0) {
        // (A bar only shown full, with no packet through it, has nothing to report.)
        const double seconds = std::chrono::duration<double>(Clock::now() - started_).count();
        std::fprintf(err_, "%s: %d of %d data packets in %.1f s\n", BarLabel(bar_), advanced_, range_, seconds);
    }
    bar_ = 0;
}
