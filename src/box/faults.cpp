#include "box/faults.h"

#include <iterator>

#include "core/whole_number.h"

namespace box {

namespace {

constexpr bool D = true, U = true, K = true, V = true, S = true, _ = false;

constexpr FaultTraits kFaults[] = {
    // name               kind                         down up  @K =V :S  @K default
    {"silent",           FaultKind::Silent,            D, U, _, _, _, 1, "switched off: never answers"},
    {"noise",            FaultKind::Noise,             D, U, _, _, _, 1,
     "stray bytes before each announcement; on upload 3 s of boot chatter first"},
    {"etb-stream",       FaultKind::EtbStream,         D, _, _, _, _, 1, "already announcing before the port opens"},
    {"no-header",        FaultKind::NoHeader,          D, _, _, _, S, 1, "no reply to the header request"},
    {"header-no-stx",    FaultKind::HeaderNoStx,       D, _, _, _, S, 1, "header reply without its STX"},
    {"header-no-etx",    FaultKind::HeaderNoEtx,       D, _, _, _, S, 1, "header reply without its ETX"},
    {"stop",             FaultKind::StopAfter,         D, _, K, _, S, 1, "@K: serves K data packets, then never another byte"},
    {"short-reply",      FaultKind::ShortReply,        D, _, K, _, S, 1, "@K: data packet K cut short, then the section is over"},
    {"no-stx",           FaultKind::ReplyNoStx,        D, _, K, _, S, 1, "@K: data packet K with another byte in place of its STX"},
    {"length",           FaultKind::Length,            D, _, K, V, S, 1, "@K=V: data packet K's length field says V (3000 if not given)"},
    {"bad-checksum",     FaultKind::BadChecksum,       D, _, K, _, S, 1, "@K: data packet K's checksum is wrong"},
    {"bad-etx",          FaultKind::BadEtx,            D, _, K, _, S, 1, "@K: data packet K has no ETX at its end"},
    {"silence-between",  FaultKind::SilenceBetween,    D, U, _, _, S, 1,
     ":SECTION: after that section no further announcement (download) or ACK (upload)"},
    {"no-application",   FaultKind::NoApplication,     D, _, _, _, _, 1, "never announces Application Software"},
    {"nak",              FaultKind::Nak,               _, U, K, _, S, 1, "@K: answers packet K with NAK (0: the header)"},
    {"nak-last",         FaultKind::NakLast,           _, U, _, _, S, 1, ":SECTION: answers the section's last data packet with NAK"},
    {"enq-silence",      FaultKind::EnqSilence,        _, U, K, _, S, 0, "@K: after packet K asks for nothing more in that section"},
    {"other-silence",    FaultKind::OtherSilence,      _, U, K, _, S, 0, "@K: after packet K sends ACK instead of ENQ, then nothing"},
};

bool ParseNumber(const std::string& text, int* out) {
    long value = 0;
    if (!ParseWholeNumber(text, 0, 100000, &value)) return false;
    *out = static_cast<int>(value);
    return true;
}

}  // namespace

std::optional<SectionKind> ParseSectionName(const std::string& text) {
    SectionKind named;
    if (SectionFromShortName(text, &named)) return named;
    for (SectionKind kind : AllSections)
        if (text == std::to_string(SectionIndex(kind) + 1)) return kind;
    return std::nullopt;
}

std::optional<Fault> ParseFault(const std::string& text, std::string* error) {
    std::string rest = text;
    std::string sectionText, valueText, packetText;
    if (auto colon = rest.find(':'); colon != std::string::npos) {
        sectionText = rest.substr(colon + 1);
        rest.resize(colon);
    }
    if (auto eq = rest.find('='); eq != std::string::npos) {
        valueText = rest.substr(eq + 1);
        rest.resize(eq);
    }
    if (auto at = rest.find('@'); at != std::string::npos) {
        packetText = rest.substr(at + 1);
        rest.resize(at);
    }
    for (const FaultTraits& named : kFaults) {
        if (rest != named.name) continue;
        const auto refuse = [&](const char* part) {
            *error = "fault '" + text + "': " + named.name + " takes no " + part;
            return std::nullopt;
        };
        if (!packetText.empty() && !named.packet) return refuse("@K");
        if (!valueText.empty() && !named.value) return refuse("=V");
        if (!sectionText.empty() && !named.section) return refuse(":SECTION");
        Fault fault;
        fault.kind = named.kind;
        fault.packet = named.defaultPacket;
        if (!packetText.empty() && !ParseNumber(packetText, &fault.packet)) {
            *error = "bad packet number in fault '" + text + "'";
            return std::nullopt;
        }
        if (!valueText.empty() && !ParseNumber(valueText, &fault.value)) {
            *error = "bad value in fault '" + text + "'";
            return std::nullopt;
        }
        if (!sectionText.empty()) {
            fault.section = ParseSectionName(sectionText);
            if (!fault.section) {
                *error = "unknown section '" + sectionText + "' in fault '" + text + "'";
                return std::nullopt;
            }
        }
        return fault;
    }
    *error = "unknown fault '" + rest + "' (known: " + FaultNames() + ")";
    return std::nullopt;
}

const FaultTraits* FaultTable(std::size_t* count) {
    *count = std::size(kFaults);
    return kFaults;
}

const char* FaultName(FaultKind kind) {
    for (const FaultTraits& named : kFaults)
        if (named.kind == kind) return named.name;
    return "?";
}

std::string FaultHelp() {
    std::string help;
    for (const FaultTraits& named : kFaults) {
        std::string name = named.name;
        name.resize(17, ' ');
        help += "  " + name + named.does + "\n";
    }
    return help;
}

std::string FaultNames() {
    std::string all;
    for (const FaultTraits& named : kFaults) all += (all.empty() ? "" : ", ") + std::string(named.name);
    return all;
}

}  // namespace box
