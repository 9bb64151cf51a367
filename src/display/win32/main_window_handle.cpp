#include "display/win32/main_window_handle.h"

HWND MainWindowHandle = nullptr;

void ShowMainWindowAgain() {
    if (MainWindowHandle) ShowWindow(MainWindowHandle, SW_SHOWNORMAL);
}
