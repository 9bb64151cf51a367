#include "core/section_kind.h"

namespace {

struct SectionRow {
    const char* suffix;
    const char* name;
    const char* shortName;
    const char* label;
    const char* receiving;
    const char* sending;
};

constexpr SectionRow kSections[SectionCount] = {
    {"ur1", "Flash Database", "flash", "Flash Data", "Status: Receiving Flash Database",
     "Status: Sending Flash Database"},
    {"ur2", "Satellite Database", "satellite", "Satellite Data", "Status: Receiving Satellite Database",
     "Status: Sending Satellite Database"},
    {"ur3", "Resource", "resource", "Resource", "Status: Receiving Resource", "Status: Sending Resource"},
    {"ur4", "Eeprom Database", "eeprom", "Eeprom Data", "Status: Receiving Eeprom Database",
     "Status: Sending Eeprom Database"},
    {"ur5", "Application Software", "application", "Application Software", "Status: Receiving Application Software",
     "Status: Sending Application Software"},
};

const SectionRow& Row(SectionKind kind) { return kSections[SectionIndex(kind)]; }

}  // namespace

const char* SectionSuffix(SectionKind kind) { return Row(kind).suffix; }
const char* SectionName(SectionKind kind) { return Row(kind).name; }
const char* SectionShortName(SectionKind kind) { return Row(kind).shortName; }
const char* SectionLabel(SectionKind kind) { return Row(kind).label; }
const char* ReceivingStatus(SectionKind kind) { return Row(kind).receiving; }
const char* SendingStatus(SectionKind kind) { return Row(kind).sending; }
const char* ProgressLabel(std::optional<SectionKind> section) { return section ? SectionLabel(*section) : "URT file"; }

bool SectionFromShortName(const std::string& name, SectionKind* kind) {
    for (SectionKind k : AllSections) {
        if (name == SectionShortName(k)) {
            *kind = k;
            return true;
        }
    }
    return false;
}

std::string SectionFilePath(const std::string& chosenPath, SectionKind kind) {
    const std::size_t stem = chosenPath.size() > 3 ? chosenPath.size() - 3 : 0;
    return chosenPath.substr(0, stem) + SectionSuffix(kind);
}
