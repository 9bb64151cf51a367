#include "box/faults.h"

#include "core/whole_number.h"

namespace box {

namespace {

struct NamedFault {
    const char* name;
    FaultKind kind;
    int defaultPacket;
    const char* does;  // for --help
};

constexpr NamedFault kFaults[] = {
    {"silent", FaultKind::Silent, 1, "switched off: never answers"},
    {"noise", FaultKind::Noise, 1, "stray bytes before each announcement; on upload 3 s of boot chatter first"},
    {"etb-stream", FaultKind::EtbStream, 1, "already announcing before the port opens"},
    {"no-header", FaultKind::NoHeader, 1, "no reply to the header request"},
    {"header-no-stx", FaultKind::HeaderNoStx, 1, "header reply without its STX"},
    {"header-no-etx", FaultKind::HeaderNoEtx, 1, "header reply without its ETX"},
    {"stop", FaultKind::StopAfter, 1, "@K: serves K data packets, then never another byte"},
    {"short-reply", FaultKind::ShortReply, 1, "@K: data packet K cut short, then the section is over"},
    {"no-stx", FaultKind::ReplyNoStx, 1, "@K: data packet K with another byte in place of its STX"},
    {"length", FaultKind::Length, 1, "@K=V: data packet K's length field says V (3000 if not given)"},
    {"bad-checksum", FaultKind::BadChecksum, 1, "@K: data packet K's checksum is wrong"},
    {"bad-etx", FaultKind::BadEtx, 1, "@K: data packet K has no ETX at its end"},
    {"silence-between", FaultKind::SilenceBetween, 1,
     ":SECTION: after that section no further announcement (download) or ACK (upload)"},
    {"no-application", FaultKind::NoApplication, 1, "never announces Application Software"},
    {"nak", FaultKind::Nak, 1, "@K: answers packet K with NAK (0: the header)"},
    {"nak-last", FaultKind::NakLast, 1, ":SECTION: answers the section's last data packet with NAK"},
    {"enq-silence", FaultKind::EnqSilence, 0, "@K: after packet K asks for nothing more in that section"},
    {"other-silence", FaultKind::OtherSilence, 0, "@K: after packet K sends ACK instead of ENQ, then nothing"},
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
    for (const NamedFault& named : kFaults) {
        if (rest != named.name) continue;
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

const char* FaultName(FaultKind kind) {
    for (const NamedFault& named : kFaults)
        if (named.kind == kind) return named.name;
    return "?";
}

std::string FaultHelp() {
    std::string help;
    for (const NamedFault& named : kFaults) {
        std::string name = named.name;
        name.resize(17, ' ');
        help += "  " + name + named.does + "\n";
    }
    return help;
}

std::string FaultNames() {
    std::string all;
    for (const NamedFault& named : kFaults) all += (all.empty() ? "" : ", ") + std::string(named.name);
    return all;
}

}  // namespace box
