// How a session ended, set where it ended: the kind of end, where (section, packet,
// file and offset), the message shown about it and the system's reason. Front ends
// turn it into their own words; nothing of it is guessed afterwards from what was
// shown.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/messages.h"
#include "core/transfer_event.h"
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

// Where a failure is: its section, data packet (from 1; 0: the header, or none),
// file and the packet's offset in it, and the system's reason.
struct FailurePlace {
    FailurePlace(std::optional<SectionKind> section = std::nullopt, int packet = 0, std::string file = {},
                 long long offset = -1, int systemError = 0)
        : section(section), packet(packet), file(std::move(file)), offset(offset), systemError(systemError) {}
    std::optional<SectionKind> section;
    int packet;
    std::string file;
    long long offset;
    int systemError;  // an errno, a Windows error code
};

// What a section went through: the data packets its header announced, those that
// went through (received, or sent, empty filler among them), and the numbers of
// those sent without the box's request.
struct SectionCounts {
    bool begun = false;  // its header came, or went
    int announced = 0;
    int through = 0;
    int filler = 0;
    std::vector<int> unasked;
};

struct SessionOutcome {
    OutcomeKind kind = OutcomeKind::Done;
    std::optional<SectionKind> section;  // where it ended, when that is a section
    int packet = 0;                      // the data packet concerned (from 1; 0: the header, or none)
    std::string file;                    // the file concerned, and the packet's offset in it
    long long offset = -1;
    std::optional<MessageId> message;    // what the session showed about it
    int systemError = 0;                 // the system's reason (an errno, a Windows error code)
    // The step the session was in when it ended (out of patience: the step whose wait
    // ran out, how long it waited, the section that was next; `section` is then the one
    // before when it had ended short of its count, where the box may have stopped, with
    // its packets and count).
    TransferStep step = TransferStep::PowerOn;
    double waited = 0;
    std::optional<SectionKind> next;
    int shortPackets = 0, shortCount = 0;
    // Each section's counts, and the URT file's, whatever the end.
    std::array<SectionCounts, SectionCount> sections{};
    SectionCounts urt;

    bool Ok() const { return kind == OutcomeKind::Done; }
    // Whether the section ended as the box ended it: all its packets came, or the
    // session had gone on to the next section.
    bool SectionEnded(SectionKind section) const;
    // A section's counts, or the URT file's for none.
    SectionCounts& CountsOf(std::optional<SectionKind> section) {
        return section ? sections[static_cast<std::size_t>(SectionIndex(*section))] : urt;
    }
    const SectionCounts& CountsOf(std::optional<SectionKind> section) const {
        return section ? sections[static_cast<std::size_t>(SectionIndex(*section))] : urt;
    }
};
