// The transfer display on Windows: every display operation acts on the transfer
// dialog that opened last, through its controls' own messages.
#pragma once

#include <windows.h>

#include "display/progress_display.h"

// The transfer dialog that opened last; set by each dialog when it opens, never cleared.
extern HWND TransferDialog;

// The display that the transfer dialogs make current.
ProgressDisplay& Win32TransferDisplay();

// Width of the "Send Options" group box while it collapses, and its heights, in pixels.
constexpr int CollapseWidth = 278;
constexpr int CollapseFirstHeight = 65;
constexpr int CollapseLastHeight = 15;
constexpr DWORD CollapseStepMs = 30;
