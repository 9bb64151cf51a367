// The one open serial port of a session.
//
// A session opens it with OpenSerialLink (port name and line speed from its
// settings), chooses time-out profiles with SetLinkTimeouts, reads and writes single
// bytes and whole packets, and closes it with CloseSerialLink on every way out. Reads
// and writes are judged only by the byte counts they return. Each of these takes the
// session, whose value holds the port's backend and its state.
//
// A read whose total is longer than ReadSliceMs waits in slices of at most that
// long, with a pump of the user interface and a test of the user's Cancel before
// each further slice, so that the user is heard during a long wait, also while a
// packet that came short waits out its total; together the slices keep the read's
// total and its byte count, and end where one read would end.
#pragma once

#include <cstdint>

#include "link/session.h"

// Opens the port named in the session's settings. On failure the user has been told
// why, in one of the three port-opening messages (owned by the main window), and the
// outcome says so.
bool OpenSerialLink(Session& session);

// Sets the read total (and the write total) in the caller's record, multipliers 0,
// other fields as the record holds them, and applies the whole record.
void SetLinkTimeouts(Session& session, LinkTimeouts& record, std::uint32_t readTotalMs);
void SetLinkTimeouts(Session& session, LinkTimeouts& record, std::uint32_t readTotalMs, std::uint32_t writeTotalMs);

// Reads under the record applied last: its total is constant + multiplier x count.
// A read cut short by Cancel returns what it has (0 when nothing came).
int ReadLink(Session& session, std::uint8_t* buffer, int count);
// The total such a read of `count` bytes waits under the record applied last.
std::uint64_t ReadLinkTotalMs(const Session& session, int count);
// The same read with a total of its own (0: without end).
int ReadLinkWithin(Session& session, std::uint8_t* buffer, int count, std::uint64_t totalMs);
inline int ReadLinkByte(Session& session, std::uint8_t* byte) { return ReadLink(session, byte, 1); }
int WriteLink(Session& session, const std::uint8_t* buffer, int count);
inline int WriteLinkByte(Session& session, std::uint8_t byte) { return WriteLink(session, &byte, 1); }

void CloseSerialLink(Session& session);

// A read or write total of `totalMs`, made long enough for `bytes` bytes to cross the
// line at the session's line speed with a margin (their wire time x 5/4 + 100 ms). At
// 115200 bit/s the totals of the transfers stand as they are.
std::uint32_t AtLeastWireTime(const Session& session, std::uint32_t totalMs, int bytes);

// True once the open port's device has gone away.
bool LinkLost(const Session& session);

// The test every wait makes between its reads: true when the user cancelled, or when
// the port has gone away, which is then reported once ("Lost connection to COM
// port", caption "Error"). The session then ends as for a failure.
bool TransferStopped(Session& session);
// Only the second half of that test: true when the port is gone, reported once.
bool ReportIfLinkLost(Session& session);

// The transfer complete: the step and status said, the port closed, the completion
// recorded and shown (its message `done`). Returns 0.
int CompleteSession(Session& session, MessageId done);
