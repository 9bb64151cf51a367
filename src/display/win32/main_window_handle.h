// What the Windows shell hands to the transfer dialogs.
#pragma once

#include <windows.h>

// The main window: owner of the file dialogs and of the port-opening messages,
// hidden during a download, shown again by every secondary dialog that closes.
// Set when the main window initialises.
extern HWND MainWindowHandle;

// The path the last file dialog returned (the running command's path buffer); the
// transfer dialog hands it to the session.
extern const char* SelectedImagePath;

// Shows the main window in its normal state (restored and activated), when there is one.
void ShowMainWindowAgain();
