#include "core/session_outcome.h"

const char* OutcomeName(OutcomeKind kind) {
    static const char* const names[] = {"done",           "cancelled",     "out-of-patience",     "port-unusable",
                                        "box-silent",     "packet-refused", "packet-damaged",     "section-ended-early",
                                        "port-lost",      "write-failed",  "differs",             "failed"};
    return names[static_cast<int>(kind)];
}
