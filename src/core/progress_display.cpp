#include "display/progress_display.h"

#include <cstdio>

namespace {

// Stands in before a real display is installed: nothing to draw, but no message is lost.
class SilentDisplay final : public NullDisplay {
public:
    MessageAnswer ShowMessage(const Message& m) override {
        std::fprintf(stderr, "%s: %s\n", m.caption, m.text);
        return NullDisplay::ShowMessage(m);
    }
};

SilentDisplay silentDisplay;
ProgressDisplay* currentDisplay = &silentDisplay;  // the current transfer dialog

}  // namespace

ProgressDisplay& CurrentDisplay() { return *currentDisplay; }

void SetCurrentDisplay(ProgressDisplay* display) {
    currentDisplay = display ? display : &silentDisplay;
}
