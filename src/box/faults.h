// Ways the emulated box can misbehave, chosen by name:
//
//   NAME[@K][=V][:SECTION]
//
// K is a packet number (data packets count from 1; 0 is the header packet on
// upload), V a value, SECTION one of flash, satellite, resource, eeprom,
// application (or 1..5). Without a section a fault hits the first section it can.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "core/section_kind.h"

namespace box {

// Each one's name, traits and effect stand in the fault table (faults.cpp).
enum class FaultKind {
    Silent,
    Noise,
    SilenceBetween,
    EtbStream,
    NoHeader,
    HeaderNoStx,
    HeaderNoEtx,
    StopAfter,
    ShortReply,
    ReplyNoStx,
    Length,
    BadChecksum,
    BadEtx,
    NoApplication,
    Nak,
    NakLast,
    EnqSilence,
    OtherSilence,
};

struct Fault {
    FaultKind kind = FaultKind::Silent;
    int packet = 1;
    int value = 3000;
    std::optional<SectionKind> section;
};

// A fault as its text names it: where it acts, and what it takes beyond its name.
struct FaultTraits {
    const char* name;
    FaultKind kind;
    bool download, upload;        // the transfers it acts in
    bool packet, value, section;  // takes @K, =V, :SECTION
    int defaultPacket;            // K when not given
    const char* does;             // for --help
};

// Every fault, in the order --help lists them; `count` of them.
const FaultTraits* FaultTable(std::size_t* count);

// Parses one fault; on failure returns nothing and says why in `error`.
std::optional<Fault> ParseFault(const std::string& text, std::string* error);
const char* FaultName(FaultKind kind);
// Every fault name, for help texts.
std::string FaultNames();
// Every fault with what it does, a line each.
std::string FaultHelp();
std::optional<SectionKind> ParseSectionName(const std::string& text);

}  // namespace box
