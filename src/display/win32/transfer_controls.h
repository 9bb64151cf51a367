// Controls of the transfer dialogs that only the dialogs themselves use: the shared
// lines and buttons, and per section its label, bar colour (packed 0x00BBGGRR) and
// check box. The bars' own numbers stand with the dialogs' mapping of a transfer.
#pragma once

#include <cstdint>

#include "core/section_kind.h"

constexpr int StatusLineId = 1003;
constexpr int CancelButtonId = 1004;
constexpr int TransferButtonId = 1005;
constexpr int NoteLineId = 1006;
constexpr int SendOptionsGroupId = 1021;
constexpr std::uint32_t UrtBarColour = 0xb41414;

struct SectionControls {
    int labelId;
    std::uint32_t barColour;
    int checkBoxId;  // section upload dialog
};

constexpr SectionControls SectionControlsOf(SectionKind kind) {
    constexpr SectionControls table[SectionCount] = {
        {1011, 0x321414, 1017}, {1012, 0x6e1414, 1018}, {1016, 0x961414, 1027},
        {1013, 0xb41414, 1019}, {1014, 0xff1414, 1020},
    };
    return table[SectionIndex(kind)];
}
