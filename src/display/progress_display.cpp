#include "display/progress_display.h"

#include <cstdio>

namespace {

// Stands in before a real display is installed: nothing to draw, but no message is lost.
class SilentDisplay final : public ProgressDisplay {
public:
    void SetStatusText(const char*) override {}
    void SetTransferTitle(const char*) override {}
    void Repaint() override {}
    void SetSectionLabels() override {}
    void ShowDialogControl(int, bool) override {}
    void ShowSectionProgress() override {}
    void ShowUrtProgress() override {}
    void SetProgressRange(int, int) override {}
    void AdvanceProgress(int) override {}
    void SetProgressPosition(int, int) override {}
    void CollapseSectionOptions() override {}
    void PumpOneMessage() override {}
    bool IsSectionChecked(SectionKind) override { return true; }
    MessageAnswer ShowMessage(const Message& m) override {
        std::fprintf(stderr, "%s: %s\n", m.caption, m.text);
        return m.buttons == MessageButtons::YesNo ? MessageAnswer::No : MessageAnswer::Ok;
    }
};

SilentDisplay silentDisplay;
ProgressDisplay* currentDisplay = &silentDisplay;  // the current transfer dialog

}  // namespace

ProgressDisplay& CurrentDisplay() { return *currentDisplay; }

void SetCurrentDisplay(ProgressDisplay* display) {
    currentDisplay = display ? display : &silentDisplay;
}
