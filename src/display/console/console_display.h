// The transfer display of the command line: status texts and progress on standard
// error (on a terminal a live bar for the section and a line for the whole image,
// both fitted to the terminal's width; otherwise a plain line every few seconds),
// message boxes as "<caption>: <text>", the completion message on standard output.
//
// It also keeps the command line's own watch on the box: once the opening handshake
// is over, a box that stays silent where it should announce a section, answer a
// section handshake or ask for a header is shown as awaited, and after the patience
// set the transfer is cancelled (the report then says what never came).
#pragma once

#include <array>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "core/progress_display.h"
#include "display/console/progress_events.h"

// Set (by a signal handler) when the terminal was resized; the next draw fits the
// new width and clears it.
extern volatile std::sig_atomic_t TerminalResized;

class ConsoleDisplay final : public ProgressDisplay {
public:
    ConsoleDisplay(std::FILE* out, std::FILE* err, bool terminal, bool quiet = false);
    ~ConsoleDisplay() override;

    // Sections an upload sends (all five unless told otherwise).
    void SetChecked(const std::array<bool, SectionCount>& checked) { checked_ = checked; }
    // Data packets of the whole transfer, when known beforehand (an upload): the
    // whole image's time left is then shown.
    void SetExpectedPackets(int packets) { expectedPackets_ = packets; }
    // The line's rate in bytes a second: no speed shown is higher (0: not known).
    void SetLineRate(double bytesPerSecond) { lineRate_ = bytesPerSecond; }
    // Seconds the box may stay silent between sections before the transfer is
    // cancelled (0: without end), on the clock given (seconds; the steady clock
    // unless another is given).
    void SetPatience(double seconds, std::function<double()> clock = {});
    // Events as JSON lines instead of the bars and status lines (--progress=json).
    void SetEvents(ProgressEvents* events) { events_ = events; }

    void SetStatusText(const char* text) override;
    void SetTransferTitle(const char*) override {}  // the window's title; the console has none
    void Repaint() override {}
    void ShowSectionProgress() override { watching_ = true; }
    void ShowUrtProgress() override { watching_ = true; }
    void SetProgressRange(int barId, int count) override;
    void AdvanceProgress(int barId) override;
    void SetProgressPosition(int barId, int position) override;
    void NotePacketUnasked(int barId) override;
    void CollapseSectionOptions() override {}
    void PumpOneMessage() override;
    bool IsSectionChecked(SectionKind kind) override { return checked_[SectionIndex(kind)]; }
    void ShowMessage(const Message& message) override;

    // Ends the live lines, so that what follows stands on its own lines.
    void Finish();
    // Only failures are to be said (-q).
    bool Quiet() const { return quiet_; }
    // Bytes a second, never more than the line carries (what was written may not be
    // on the wire yet).
    double Rate(double bytes, double seconds) const;

    // What a bar went through, for the report after a transfer.
    struct Tally {
        int range = 0;
        int advanced = 0;           // packets that went through
        std::vector<int> unasked;   // numbers of the packets sent without the box's request
    };
    const std::map<int, Tally>& Tallies() const { return tallies_; }
    int LastBar() const { return lastBar_; }
    // Failures shown, in order.
    const std::vector<MessageId>& Failures() const { return failures_; }
    bool Showed(MessageId id) const;
    // Data packets through, and the seconds from the first bar to now.
    int DonePackets() const { return donePackets_; }
    double Seconds() const;
    // Why the patience ran out ("" when it did not).
    const std::string& OutOfPatience() const { return outOfPatience_; }
    // The text of the last message shown ("" for none).
    const std::string& LastMessage() const { return lastMessage_; }

private:
    using Clock = std::chrono::steady_clock;

    double Now() const;
    void Activity();
    std::string Awaited() const;
    void Watch();
    void ClearLive();
    void Draw(bool final);
    void FinishBar();
    std::string SectionLine(int width, bool final) const;
    std::string TotalLine() const;
    void PlainProgress();

    std::FILE* out_;
    std::FILE* err_;
    bool terminal_;
    bool quiet_;
    std::array<bool, SectionCount> checked_{true, true, true, true, true};
    std::string lastStatus_;
    double lineRate_ = 0;

    int bar_ = 0;  // control id of the bar shown; 0: none
    int lastBar_ = 0;
    int range_ = 0;
    int position_ = 0;   // where the bar stands
    int advanced_ = 0;   // packets that really went through
    double started_ = 0;       // of the section
    double firstStarted_ = -1;  // of the first section
    Clock::time_point drawn_;
    double plainDrawn_ = 0;    // the last plain progress line
    bool dirty_ = false;
    int live_ = 0;  // lines drawn in place on the terminal; the cursor ends the last
    int expectedPackets_ = 0;
    int donePackets_ = 0;  // of the whole transfer
    std::map<int, Tally> tallies_;
    std::vector<MessageId> failures_;
    std::string lastMessage_;
    bool cancelSaid_ = false;
    ProgressEvents* events_ = nullptr;

    // The watch on the box.
    std::function<double()> clock_;
    double patience_ = 0;
    bool watching_ = false;  // the opening handshake is over
    double lastActivity_ = 0;
    enum class Step { Other, Announcement, Handshake, HeaderRequest } step_ = Step::Other;
    std::string stepSection_;  // the section it concerns
    double waitShown_ = 0;     // when the waiting line was last shown
    std::string outOfPatience_;
};
