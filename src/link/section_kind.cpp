#include "link/section_kind.h"

namespace {

struct SectionRow {
    const char* suffix;
    const char* name;
};

constexpr SectionRow kSections[SectionCount] = {
    {"ur1", "Flash Database"},
    {"ur2", "Satellite Database"},
    {"ur3", "Resource"},
    {"ur4", "Eeprom Database"},
    {"ur5", "Application Software"},
};

}  // namespace

const char* SectionSuffix(SectionKind kind) { return kSections[SectionIndex(kind)].suffix; }

const char* SectionName(SectionKind kind) { return kSections[SectionIndex(kind)].name; }

std::string SectionFilePath(const std::string& chosenPath, SectionKind kind) {
    const std::size_t stem = chosenPath.size() > 3 ? chosenPath.size() - 3 : 0;
    return chosenPath.substr(0, stem) + SectionSuffix(kind);
}
