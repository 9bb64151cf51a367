#include "app/win32/about_box.h"

#include <windows.h>

#include "app/win32/program_instance.h"
#include "app/win32/shell_ids.h"
#include "display/win32/main_window_handle.h"

namespace {

INT_PTR CALLBACK AboutBoxProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == AboutOkId) EndDialog(dialog, 0);  // every other command, Esc's too, is ignored
        return TRUE;
    case WM_DESTROY:
        ShowMainWindowAgain();
        return FALSE;
    default:
        return FALSE;
    }
}

}  // namespace

void RunAboutBox() {
    DialogBoxParamA(ProgramInstance, MAKEINTRESOURCEA(AboutBoxId), nullptr, AboutBoxProc, 0);
}
