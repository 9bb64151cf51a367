// How a transfer ended, as a fact the command line reads: the session's own outcome
// (the kind of end, where it happened, the message shown, the system's reason) with
// the command line's words for it, the signal that stopped it, and each file with its
// state. The report, the log, the JSON end event and the boards all say this, and
// the exit status follows from it.
#pragma once

#include <string>
#include <vector>

#include "core/session_outcome.h"
#include "link/serial_link.h"

// A file of the transfer and what became of it: "complete", "incomplete", "sent",
// "partly sent", "not sent", "same", "differs" ..
struct FileState {
    std::string path;
    std::string state;
};

struct TransferOutcome : SessionOutcome {
    std::string sentence;   // the cause in words
    int signal = 0;         // the signal that cancelled it (0: none)
    bool readBack = false;  // a read of the box to verify it: a failed read is status 2
    std::vector<FileState> files;

    // 0 done; 2 the port could not be used (nothing was sent), or a read-back failed
    // (the box could not be read); 128 + the signal's number when a signal cancelled
    // it; 1 otherwise.
    int Status() const;
};

// The outcome of a failure found by the command line itself.
TransferOutcome Failure(OutcomeKind kind, const std::string& sentence);
// A failure the command line finds after a session that ended well (the first
// failure stands): the session's counts and the files stay as they are.
void FailAfter(TransferOutcome& outcome, OutcomeKind kind, const std::string& sentence);

// What a session that ran on `port` came to, in the command line's words. `download`:
// it received; `stopSignal`: a stop signal came meanwhile (0: none); `open`: why the
// port's open failed, as far as the platform said.
TransferOutcome Described(const SessionOutcome& session, const std::string& port, bool download, int stopSignal,
                          const OpenFailure& open);

// With --fast-header, a failure that a box not keeping up with it would cause (no
// header, a broken one, a section whose first data packet went unanswered) says to
// try again without it.
void AddFastHeaderHint(TransferOutcome& outcome, bool firstPacketUnanswered);
