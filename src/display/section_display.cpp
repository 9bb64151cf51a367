#include "display/section_display.h"

namespace {

constexpr SectionDisplay kSectionDisplay[SectionCount] = {
    {1011, "Flash Data", 1007, 0x321414, 1017},
    {1012, "Satellite Data", 1008, 0x6e1414, 1018},
    {1016, "Resource", 1015, 0x961414, 1027},
    {1013, "Eeprom Data", 1009, 0xb41414, 1019},
    {1014, "Application Software", 1010, 0xff1414, 1020},
};

}  // namespace

const SectionDisplay& SectionDisplayOf(SectionKind kind) { return kSectionDisplay[SectionIndex(kind)]; }
