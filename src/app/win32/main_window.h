// The program's main window (a modal dialog) and its commands.
#pragma once

#include <windows.h>

// The upload warning is still to be confirmed in this run; set at start-up.
extern bool UploadWarningPending;

// The program instance, recorded at entry; dialogs and icons are loaded from it.
extern HINSTANCE ProgramInstance;

INT_PTR CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
