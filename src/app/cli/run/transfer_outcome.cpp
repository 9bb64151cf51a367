#include "app/cli/run/transfer_outcome.h"

int TransferOutcome::Status() const {
    if (kind == OutcomeKind::Done) return 0;
    if (kind == OutcomeKind::Cancelled && signal > 0) return 128 + signal;
    if (kind == OutcomeKind::PortUnusable || (readBack && kind != OutcomeKind::Differs)) return 2;
    return 1;
}

TransferOutcome Failure(OutcomeKind kind, const std::string& sentence) {
    TransferOutcome outcome;
    outcome.kind = kind;
    outcome.sentence = sentence;
    return outcome;
}

const char* OutcomeName(OutcomeKind kind) {
    static const char* const names[] = {"done",           "cancelled",     "out-of-patience",     "port-unusable",
                                        "box-silent",     "packet-refused", "packet-damaged",     "section-ended-early",
                                        "port-lost",      "write-failed",  "differs",             "failed"};
    return names[static_cast<int>(kind)];
}
