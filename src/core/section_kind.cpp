#include "link/section_kind.h"

namespace {

struct SectionRow {
    const char* suffix;
    const char* name;
    const char* shortName;
};

constexpr SectionRow kSections[SectionCount] = {
    {"ur1", "Flash Database", "flash"},
    {"ur2", "Satellite Database", "satellite"},
    {"ur3", "Resource", "resource"},
    {"ur4", "Eeprom Database", "eeprom"},
    {"ur5", "Application Software", "application"},
};

}  // namespace

const char* SectionSuffix(SectionKind kind) { return kSections[SectionIndex(kind)].suffix; }

const char* SectionName(SectionKind kind) { return kSections[SectionIndex(kind)].name; }

const char* SectionShortName(SectionKind kind) { return kSections[SectionIndex(kind)].shortName; }

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
