// Fetches one section from the box into the current section file: the header
// packet, then each data packet on its own ENQ, checked and appended exactly as it
// arrived. A damaged packet fails the section; a box that stops answering ends it
// quietly as complete. No packet is ever asked for twice.
#pragma once

#include <cstdint>

#include "core/section_kind.h"
#include "link/session_link.h"

// Sends ENQ and reads the header packet (under the time-out profile in force) into
// `header`, which holds PacketBufferSize bytes. Returns the header's size (L + 9)
// and sets `packetCount`; returns 1 after its message when no valid header came.
int RequestHeaderPacket(Session& session, SectionKind section, std::uint8_t* header, unsigned* packetCount);

// Receives the announced section into the session's file. Returns 0 when it is
// finished (every packet accepted, or the box fell silent), 1 when it failed (after
// its message) or was cancelled. Leaves the receiver's own profile (1000 ms read and
// write) in force once the header has been read.
int ReceiveSection(Session& session, SectionKind section);

// Bytes one data-packet read asks for: the PacketLength setting plus ReadMargin,
// never more than a packet buffer holds and never less than one byte.
int DataReadSize(std::int32_t packetLengthSetting);
