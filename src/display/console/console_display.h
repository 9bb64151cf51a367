// The transfer display of the command line: status texts and progress on standard
// error (on a terminal a live bar for the section and a line for the whole image,
// both fitted to the terminal's width; otherwise a plain line every few seconds),
// message boxes as "<caption>: <text>", the completion message on standard output.
#pragma once

#include <array>
#include <csignal>
#include <chrono>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "core/progress_display.h"

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

    void SetStatusText(const char* text) override;
    void SetTransferTitle(const char*) override {}  // the window's title; the console has none
    void Repaint() override {}
    void ShowSectionProgress() override {}
    void ShowUrtProgress() override {}
    void SetProgressRange(int barId, int count) override;
    void AdvanceProgress(int barId) override;
    void SetProgressPosition(int barId, int position) override;
    void CollapseSectionOptions() override {}
    void PumpOneMessage() override;
    bool IsSectionChecked(SectionKind kind) override { return checked_[SectionIndex(kind)]; }
    void ShowMessage(const Message& message) override;

    // What a bar went through, for the report after a transfer.
    struct Tally {
        int range = 0;
        int advanced = 0;  // packets that went through
    };
    const std::map<int, Tally>& Tallies() const { return tallies_; }
    int LastBar() const { return lastBar_; }
    // Failures shown, in order.
    const std::vector<MessageId>& Failures() const { return failures_; }
    bool Showed(MessageId id) const;

private:
    using Clock = std::chrono::steady_clock;

    void Draw(bool final);
    void FinishBar();
    std::string SectionLine(int width) const;
    std::string TotalLine() const;
    void PlainProgress();

    std::FILE* out_;
    std::FILE* err_;
    bool terminal_;
    bool quiet_;
    std::array<bool, SectionCount> checked_{true, true, true, true, true};
    std::string lastStatus_;

    int bar_ = 0;  // control id of the bar shown; 0: none
    int lastBar_ = 0;
    int range_ = 0;
    int position_ = 0;   // where the bar stands
    int advanced_ = 0;   // packets that really went through
    Clock::time_point started_;       // of the section
    Clock::time_point firstStarted_;  // of the first section
    Clock::time_point drawn_;
    Clock::time_point plainDrawn_;  // the last plain progress line
    bool dirty_ = false;
    bool live_ = false;  // the two live lines stand on the terminal
    int expectedPackets_ = 0;
    int donePackets_ = 0;  // of the whole transfer
    std::map<int, Tally> tallies_;
    std::vector<MessageId> failures_;
};
