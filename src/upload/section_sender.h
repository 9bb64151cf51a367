// Replays one stored section (a section file, or a URT file in URT mode) to the
// box: each packet exactly as stored, each when the box asks for it with ENQ. A
// section that holds fewer data packets than its header announces goes on with
// filler packets (erased memory, 0xFF) for as long as the box asks for more.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>

#include "core/section_kind.h"
#include "link/session_link.h"

// Reads the header fields of the session's file (the packet count by the rule for
// `section`, none for a URT file, and the header's payload length), sets the
// section's progress range and rewinds the file. Returns 0, or 1 after its message
// when the file holds no header packet that can be sent: one too short for its
// fields or its own length, or longer than a packet buffer.
int ReadStoredHeader(Session& session, unsigned* packetCount, unsigned* headerLength, std::optional<SectionKind> section);

// What reading the next stored packet found.
enum class StoredRead {
    Packet,    // a packet whole in the file: a shorter one comes with the bytes that follow it, 0xFF past the end
    Filler,    // no STX left in the file: the last byte the search read (0x00 when it read none), then 0xFF
    CutShort,  // a packet that the end of the file cuts short of its own length: nothing of it is made up
};

// Copies the next stored packet of `file` (payload length + 9 bytes from the next STX
// after `skip` bytes) into `buffer`: a packet, the filler that stands for a packet
// the file does not hold, or nothing for one cut short.
StoredRead ReadStoredPacket(SectionIn& file, unsigned payloadLength, std::uint8_t* buffer, int skip);

// Answers the box's requests until the header and `packetCount` data packets are
// sent. Returns 0 when the section is sent (or the box ended it early), 1 when it
// failed (after its message) or was cancelled. A packet the file does not hold goes
// as filler when the box asks for it with ENQ; a box that falls silent instead has
// all it wanted.
int SendSection(Session& session, unsigned packetCount, unsigned headerLength, std::optional<SectionKind> section);
