// The bars of the command line: a transfer's events drawn on standard error (status
// texts; on a terminal a live bar for the section and a line for the whole image,
// both fitted to the terminal's width; otherwise a plain line every few seconds), a
// completion on standard output. A failure is said by whoever reads the outcome, in
// the command line's words, once. It only draws: what a transfer went through is its
// outcome's.
#pragma once

#include <array>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <string>

#include "display/console/progress_events.h"

// Set (by a signal handler) when the terminal was resized; the next draw fits the
// new width and clears it.
extern volatile std::sig_atomic_t TerminalResized;

class ConsoleDisplay final : public EventSink {
public:
    ConsoleDisplay(std::FILE* out, std::FILE* err, bool terminal, bool quiet = false);
    ~ConsoleDisplay() override;

    // Data packets and sections of the whole transfer, when known beforehand (an
    // upload): the whole image's time left can then be shown.
    void SetExpectedPackets(int packets, int sections) {
        expectedPackets_ = packets;
        expectedSections_ = sections;
    }
    // A download's guess of each section's data packets (an earlier image of the same
    // name; -1 where nothing is known), each replaced by the count its header
    // announces when it comes. The whole image's time left is shown only when it can
    // be about right: every section's count known, and the time between two sections
    // (the box's announcement, the header) measured once.
    void SetSectionEstimates(const std::array<int, SectionCount>& packets) { estimates_ = packets; }

    void Take(const ProgressEvent& event) override;
    void Redraw(bool stopping) override { Tick(stopping); }
    void EndLines() override { Finish(); }
    // Between two reads: a redraw where one is due; `stopping`: the user asked to stop.
    void Tick(bool stopping);
    // Ends the live lines.
    void Finish();
    // Only failures are to be said (-q).
    bool Quiet() const { return quiet_; }

private:
    using Clock = std::chrono::steady_clock;

    double Now() const;
    double Seconds() const;
    void SetStatusText(const std::string& text);
    void StartSection(std::optional<SectionKind> section, int count);
    void Advance(const ProgressEvent& packet);
    void ShowWaiting(const ProgressEvent& waiting);
    void ShowMessage(const ProgressEvent& message);
    void ClearLive();
    void Draw(bool final);
    // Ends the section's bar; `whole`: the section ended as the box ended it.
    void FinishBar(bool whole = false);
    std::string SectionLine(int width, bool final) const;
    std::string TotalLine() const;
    void PlainProgress();

    std::FILE* out_;
    std::FILE* err_;
    bool terminal_;
    bool quiet_;
    std::string lastStatus_;
    TransferStep step_ = TransferStep::PowerOn;
    bool bar_ = false;  // a section's bar is shown
    std::optional<SectionKind> section_;  // its section (none: the URT file)
    int range_ = 0;
    int position_ = 0;   // where the bar stands
    int advanced_ = 0;   // packets that really went through
    double rate_ = 0;    // bytes a second, as the last packet told
    double started_ = 0;       // of the section
    double firstStarted_ = -1;  // of the first section
    Clock::time_point drawn_;
    double plainDrawn_ = 0;    // the last plain progress line
    bool dirty_ = false;
    int live_ = 0;  // lines drawn in place on the terminal; the cursor ends the last
    int expectedPackets_ = 0;
    int expectedSections_ = SectionCount;
    int sectionsStarted_ = 0;
    double lastActivity_ = -1;  // the last packet, or a section's start
    double gaps_ = 0;           // from a section's last packet to the next section's start, summed
    int gapCount_ = 0;
    std::array<int, SectionCount> estimates_{-1, -1, -1, -1, -1};
    bool estimating_ = false;  // a download: its estimates stand for the whole
    int donePackets_ = 0;  // of the whole transfer
    int unasked_ = 0;      // of the section shown
    bool cancelSaid_ = false;
    bool stopping_ = false;  // the user asked to stop
};
