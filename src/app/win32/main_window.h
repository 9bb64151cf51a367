// The program's main window (a modal dialog) and its commands.
#pragma once

#include <windows.h>

// The upload warning is still to be confirmed in this run; set at start-up.
extern bool UploadWarningPending;

INT_PTR CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
