#include "box/faults.h"

#include <cstdlib>

namespace box {

namespace {

struct NamedFault {
    const char* name;
    FaultKind kind;
    int defaultPacket;
};

constexpr NamedFault kFaults[] = {
    {"silent", FaultKind::Silent, 1},
    {"noise", FaultKind::Noise, 1},
    {"etb-stream", FaultKind::EtbStream, 1},
    {"no-header", FaultKind::NoHeader, 1},
    {"header-no-stx", FaultKind::HeaderNoStx, 1},
    {"header-no-etx", FaultKind::HeaderNoEtx, 1},
    {"stop", FaultKind::StopAfter, 1},
    {"short-reply", FaultKind::ShortReply, 1},
    {"no-stx", FaultKind::ReplyNoStx, 1},
    {"length", FaultKind::Length, 1},
    {"bad-checksum", FaultKind::BadChecksum, 1},
    {"bad-etx", FaultKind::BadEtx, 1},
    {"silence-between", FaultKind::SilenceBetween, 1},
    {"no-application", FaultKind::NoApplication, 1},
    {"nak", FaultKind::Nak, 1},
    {"enq-silence", FaultKind::EnqSilence, 0},
    {"other-silence", FaultKind::OtherSilence, 0},
};

bool ParseNumber(const std::string& text, int* out) {
    if (text.empty()) return false;
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (*end != '\0' || v < 0 || v > 100000) return false;
    *out = static_cast<int>(v);
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

std::string FaultNames() {
    std::string all;
    for (const NamedFault& named : kFaults) all += (all.empty() ? "" : ", ") + std::string(named.name);
    return all;
}

}  // namespace box
