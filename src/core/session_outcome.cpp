#include "core/session_outcome.h"

const char* OutcomeName(OutcomeKind kind) {
    static const char* const names[] = {"done",           "cancelled",     "out-of-patience",     "port-unusable",
                                        "box-silent",     "packet-refused", "packet-damaged",     "section-ended-early",
                                        "port-lost",      "write-failed",  "differs",             "failed"};
    return names[static_cast<int>(kind)];
}

bool SessionOutcome::SectionEnded(SectionKind section) const {
    const SectionCounts& counts = CountsOf(section);
    if (!counts.begun) return false;
    if (counts.through >= counts.announced) return true;
    for (int later = SectionIndex(section) + 1; later < SectionCount; ++later)
        if (sections[static_cast<std::size_t>(later)].begun) return true;
    // The last that began: ended when the session waited for the next one's announcement.
    return step == TransferStep::Announcement;
}
