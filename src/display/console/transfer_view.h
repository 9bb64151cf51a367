// What the command line shows of a transfer: an observer of its session (the bars on
// a terminal, plain lines, or typed events for JSON and the boards) that also shows
// how long the box has kept a wait silent, and is told between reads that the user
// asked to stop.
#pragma once

#include <string>

#include "core/progress_display.h"

class TransferView : public ProgressDisplay {
public:
    // The dialog's own operations: a console has no window to title, repaint, show
    // or collapse parts of.
    void SetTransferTitle(const char*) override {}
    void Repaint() override {}
    void ShowSectionProgress() override {}
    void ShowUrtProgress() override {}
    void CollapseSectionOptions() override {}

    // The box has kept the transfer waiting `seconds` for `awaited` ("the box to
    // announce Resource"), or, with `left` (seconds the session still waits), the user
    // for what to do ("switch the box on holding channel up"); shown at a pace that
    // suits the output.
    virtual void ShowWaiting(const std::string& awaited, double seconds, double left = -1) = 0;
    // Between two reads of a wait: a redraw where one is due; `stopping` the user
    // asked to stop (said once).
    virtual void Tick(bool stopping) = 0;
    // The transfer is being stopped for a reason said elsewhere: no notice of Ctrl-C.
    virtual void StopExplained() = 0;
    // Ends the live lines, so that what follows stands on its own lines.
    virtual void Finish() = 0;
};
