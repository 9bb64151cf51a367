// How each section appears in the transfer dialogs: control identifiers, label
// texts and bar colours (packed 0x00BBGGRR).
#pragma once

#include <cstdint>

#include "link/section_kind.h"

// Controls shared by the transfer dialogs.
constexpr int StatusLineId = 1003;
constexpr int CancelButtonId = 1004;
constexpr int TransferButtonId = 1005;
constexpr int NoteLineId = 1006;
constexpr int SendOptionsGroupId = 1021;
constexpr int UrtBarId = 1026;
constexpr std::uint32_t UrtBarColour = 0xb41414;

struct SectionDisplay {
    int labelId;
    const char* labelText;
    int barId;
    std::uint32_t barColour;
    int checkBoxId;  // section upload dialog
};

const SectionDisplay& SectionDisplayOf(SectionKind kind);
inline int SectionBar(SectionKind kind) { return SectionDisplayOf(kind).barId; }
