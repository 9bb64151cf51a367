#include "display/win32/shell_handles.h"

HWND MainWindowHandle = nullptr;
const char* SelectedImagePath = nullptr;

void ShowMainWindowAgain() {
    if (MainWindowHandle) ShowWindow(MainWindowHandle, SW_SHOWNORMAL);
}
