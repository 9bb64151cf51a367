// The first tab stop of a dialog as its focus, through the dialog manager, so that
// a focused push button is also the one Enter presses (Windows does this for the
// focus it sets itself; Wine leaves the dialog's default at IDOK).
#pragma once

#include <windows.h>

// For WM_INITDIALOG: focuses the first tab stop; return FALSE from the handler afterwards.
void FocusFirstTabStop(HWND dialog);
