// How a session ended, set where it ended: the kind of end, where (section, packet,
// file and offset), the message shown about it and the system's reason. Front ends
// turn it into their own words; nothing of it is guessed afterwards from what was
// shown.
#pragma once

#include <optional>
#include <string>

#include "core/messages.h"
#include "core/progress_display.h"
#include "core/section_kind.h"

enum class OutcomeKind {
    Done,
    Cancelled,          // by the user
    OutOfPatience,      // the box kept a wait silent longer than the patience
    PortUnusable,       // the port could not be opened or set up: nothing was sent
    BoxSilent,          // the box never answered the opening handshake
    PacketRefused,      // the box refused a packet (NAK)
    PacketDamaged,      // a packet arrived damaged, or a stored one would have gone out damaged
    SectionEndedEarly,  // upload: the box took fewer packets than the file holds, or stopped asking
    PortLost,           // the port went away during the transfer
    WriteFailed,        // a file could not be made or written
    Differs,            // a read-back: the box does not hold the image
    Failed,             // any other failure the session showed
};

// The kind's name as scripts read it: "done", "cancelled", "out-of-patience" ..
const char* OutcomeName(OutcomeKind kind);

struct SessionOutcome {
    OutcomeKind kind = OutcomeKind::Done;
    std::optional<SectionKind> section;  // where it ended, when that is a section
    int packet = 0;                      // the data packet concerned (from 1; 0: the header, or none)
    std::string file;                    // the file concerned, and the packet's offset in it
    long long offset = -1;
    std::optional<MessageId> message;    // what the session showed about it
    int systemError = 0;                 // the system's reason (an errno, a Windows error code)
    // Out of patience: the step whose wait ran out, how long it waited, the section
    // that was next; `section` is then the one before when it had ended short of its
    // count (where the box may have stopped), with its packets and count.
    TransferStep step = TransferStep::PowerOn;
    double waited = 0;
    std::optional<SectionKind> next;
    int shortPackets = 0, shortCount = 0;

    bool Ok() const { return kind == OutcomeKind::Done; }
};
