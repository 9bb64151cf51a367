#include "display/win32/main_window_handle.h"

HWND MainWindowHandle = nullptr;

void ShowMainWindowAgain() {
    if (!MainWindowHandle) return;
    ShowWindow(MainWindowHandle, SW_SHOWNORMAL);
    // Painted now: a session that runs on pumps one message at a time.
    RedrawWindow(MainWindowHandle, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
}
