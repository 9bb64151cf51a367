#include "core/transfer_event.h"

const char* TransferStepName(TransferStep step) {
    static const char* const names[] = {"power-on", "announcement", "handshake", "header-request",
                                        "packets",  "closing",      "complete"};
    return names[static_cast<int>(step)];
}
