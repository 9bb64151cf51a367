// The transfer display of the command line: status texts and progress on standard
// error (a live bar per section on a terminal, plain lines otherwise), message
// boxes as "<caption>: <text>", the completion message on standard output.
#pragma once

#include <array>
#include <chrono>
#include <cstdio>
#include <string>

#include "display/progress_display.h"

class ConsoleDisplay final : public ProgressDisplay {
public:
    ConsoleDisplay(std::FILE* out, std::FILE* err, bool terminal);
    ~ConsoleDisplay() override;

    // Sections an upload sends (all five unless told otherwise).
    void SetChecked(const std::array<bool, SectionCount>& checked) { checked_ = checked; }

    void SetStatusText(const char* text) override;
    void SetTransferTitle(const char*) override {}  // the window's title; the console has none
    void Repaint() override {}
    void SetSectionLabels() override {}
    void ShowDialogControl(int, bool) override {}
    void ShowSectionProgress() override {}
    void ShowUrtProgress() override {}
    void SetProgressRange(int barId, int count) override;
    void AdvanceProgress(int barId) override;
    void SetProgressPosition(int barId, int position) override;
    void CollapseSectionOptions() override {}
    void PumpOneMessage() override;
    bool IsSectionChecked(SectionKind kind) override { return checked_[SectionIndex(kind)]; }
    MessageAnswer ShowMessage(const Message& message) override;

private:
    using Clock = std::chrono::steady_clock;

    void Draw(bool final);
    void FinishBar();

    std::FILE* out_;
    std::FILE* err_;
    bool terminal_;
    std::array<bool, SectionCount> checked_{true, true, true, true, true};
    std::string lastStatus_;

    int bar_ = 0;  // control id of the bar shown; 0: none
    int range_ = 0;
    int position_ = 0;   // where the bar stands
    int advanced_ = 0;   // packets that really went through
    Clock::time_point started_;
    Clock::time_point drawn_;
    bool dirty_ = false;
};

// The name a progress bar shows its section by ("Flash Data", "URT file").
const char* BarLabel(int barId);
