// Replays one stored section (a section file, or a URT file in URT mode) to the
// box: each packet exactly as stored, each when the box asks for it with ENQ.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>

#include "core/section_kind.h"

// Reads the header fields of the current section file (the packet count by the
// rule for `section`, none for a URT file, and the header's payload length), sets
// the section's progress range and rewinds the file. Returns 0, or 1 after its
// message when the file holds no header packet that can be sent: one too short for
// its fields or its own length, or longer than a packet buffer.
int ReadStoredHeader(unsigned* packetCount, unsigned* headerLength, std::optional<SectionKind> section);

// Copies the next stored packet (payload length + 9 bytes from the next STX after
// `skip` bytes) into `buffer`. A packet whole in the file but shorter is copied with
// the bytes that follow it, 0xFF past the end of the file. Returns false when no
// STX is left, or when the file ends within the packet's own length.
bool ReadStoredPacket(unsigned payloadLength, std::uint8_t* buffer, int skip);

// Answers the box's requests until the header and `packetCount` data packets are
// sent. Returns 0 when the section is sent (or the box ended it early), 1 when it
// failed (after its message) or was cancelled.
int SendSection(unsigned packetCount, unsigned headerLength, std::optional<SectionKind> section);
