#include "app/win32/dialog_focus.h"

void FocusFirstTabStop(HWND dialog) {
    HWND first = GetNextDlgTabItem(dialog, nullptr, FALSE);
    if (first) SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(first), TRUE);
}
