#include "core/progress_display.h"

#include <cstdio>

namespace {

// Stands in before a real display is installed: nothing to draw, but no message is lost.
class MessagesOnStandardError final : public NullDisplay {
public:
    void ShowMessage(const Message& m) override { std::fprintf(stderr, "%s: %s\n", m.caption, m.text); }
};

MessagesOnStandardError standIn;
ProgressDisplay* currentDisplay = &standIn;  // the current transfer dialog

}  // namespace

ProgressDisplay& CurrentDisplay() { return *currentDisplay; }

void SetCurrentDisplay(ProgressDisplay* display) { currentDisplay = display ? display : &standIn; }

const char* TransferStepName(TransferStep step) {
    static const char* const names[] = {"power-on", "announcement", "handshake", "header-request",
                                        "packets",  "closing",      "complete"};
    return names[static_cast<int>(step)];
}
