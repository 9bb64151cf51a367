// How a transfer ended, as a fact the command line reads: the kind of end, where it
// happened (section, packet, file, offset), the message the session showed and the
// cause in one exact sentence, and each file with its state. The report, the log,
// the JSON end event and the several boxes' board all say this, and the exit status
// follows from it.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/messages.h"
#include "core/section_kind.h"

enum class OutcomeKind {
    Done,
    Cancelled,          // by the user (a signal)
    OutOfPatience,      // the box kept the transfer waiting longer than the patience
    PortUnusable,       // the port could not be opened or set up: nothing was sent
    BoxSilent,          // the box never answered the opening handshake
    PacketRefused,      // the box refused a packet (NAK)
    PacketDamaged,      // a packet arrived damaged, or a stored one would have gone out damaged
    SectionEndedEarly,  // upload: the box took fewer packets than the file holds, or stopped asking
    PortLost,           // the port went away during the transfer
    WriteFailed,        // a file (or the trace or the log) could not be written
    Differs,            // verify: the box does not hold the image
    Failed,             // any other failure the session showed
};

// A file of the transfer and what became of it: "complete", "incomplete", "sent",
// "partly sent", "not sent", "same", "differs" ..
struct FileState {
    std::string path;
    std::string state;
};

struct TransferOutcome {
    OutcomeKind kind = OutcomeKind::Done;
    std::optional<SectionKind> section;  // where it ended, when that is a section
    int packet = 0;                      // the data packet concerned (from 1; 0 for none)
    std::string file;                    // the file concerned, and the packet's offset in it
    long long offset = -1;
    std::optional<MessageId> message;    // what the session showed about it
    std::string sentence;                // the cause in words
    int signal = 0;                      // the signal that cancelled it (0: none)
    bool readBack = false;               // a read of the box to verify it: a failed read is status 2
    std::vector<FileState> files;

    // 0 done; 2 the port could not be used (nothing was sent), or a read-back failed
    // (the box could not be read); 128 + the signal's number when a signal cancelled
    // it; 1 otherwise.
    int Status() const;
    bool Ok() const { return kind == OutcomeKind::Done; }
};

// The outcome of a failure found by the command line itself.
TransferOutcome Failure(OutcomeKind kind, const std::string& sentence);

// The kind's name as scripts read it: "done", "cancelled", "out-of-patience" ..
const char* OutcomeName(OutcomeKind kind);
