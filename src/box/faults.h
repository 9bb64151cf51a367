// Ways the emulated box can misbehave, chosen by name:
//
//   NAME[@K][=V][:SECTION]
//
// K is a packet number (data packets count from 1; 0 is the header packet on
// upload), V a value, SECTION one of flash, satellite, resource, eeprom,
// application (or 1..5). Without a section a fault hits the first section it can.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/section_kind.h"

namespace box {

enum class FaultKind {
    // Both directions.
    Silent,          // "silent": switched off, never answers
    Noise,           // "noise": stray bytes while the box announces (download) or boots (upload)
    SilenceBetween,  // "silence-between:SECTION": after SECTION no announcement (download), no ACK (upload)
    // Download.
    EtbStream,       // "etb-stream": already announcing before the tool opens its port
    NoHeader,        // "no-header": no reply to the header request
    HeaderNoStx,     // "header-no-stx": header reply without its STX
    HeaderNoEtx,     // "header-no-etx": header reply without its ETX
    StopAfter,       // "stop@K": serves K data packets, then never another byte
    ShortReply,      // "short-reply@K": packet K cut short, then the section is over
    ReplyNoStx,      // "no-stx@K": packet K sent with another byte in place of STX
    Length,          // "length@K=V": packet K's length field says V (default 3000)
    BadChecksum,     // "bad-checksum@K": packet K's checksum is wrong
    BadEtx,          // "bad-etx@K": packet K has no ETX at its end
    NoApplication,   // "no-application": the Application Software section is never announced
    // Upload.
    Nak,             // "nak@K": answers packet K with NAK
    NakLast,         // "nak-last:SECTION": answers the section's last data packet with NAK
    EnqSilence,      // "enq-silence@K": after packet K asks for nothing more in that section
    OtherSilence,    // "other-silence@K": after packet K sends ACK instead of ENQ, then nothing
};

struct Fault {
    FaultKind kind = FaultKind::Silent;
    int packet = 1;
    int value = 3000;
    std::optional<SectionKind> section;
};

// Parses one fault; on failure returns nothing and says why in `error`.
std::optional<Fault> ParseFault(const std::string& text, std::string* error);
const char* FaultName(FaultKind kind);
// Every fault name, for help texts.
std::string FaultNames();
// Every fault with what it does, a line each.
std::string FaultHelp();
std::optional<SectionKind> ParseSectionName(const std::string& text);

}  // namespace box
