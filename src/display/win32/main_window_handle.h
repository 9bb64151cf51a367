// The main window: owner of the file dialogs and of the port-opening messages,
// hidden during a download, shown again by every secondary dialog that closes.
// Set when the main window initialises.
#pragma once

#include <windows.h>

extern HWND MainWindowHandle;

// Shows the main window in its normal state (restored and activated) and paints it
// at once, when there is one.
void ShowMainWindowAgain();
