#include "app/win32/main_window.h"

#include <shellapi.h>

#include "app/config/config.h"
#include "app/win32/about_box.h"
#include "app/win32/dialog_focus.h"
#include "app/win32/file_selection.h"
#include "app/win32/program_instance.h"
#include "app/win32/setup_dialog.h"
#include "app/win32/shell_ids.h"
#include "app/win32/transfer_running.h"
#include "display/win32/main_window_handle.h"

bool UploadWarningPending = true;

namespace {

// The code the main window's own destruction asks to quit with: 1 once config.ini
// failed, so that this ending is not reported as a clean one.
int quitCodeOnDestroy = 0;

void UploadCommand(HWND window) {
    if (UploadWarningPending) {
        const int answer = MessageBoxA(window, "Warning !!\nThis will overwrite the data in the Receiver.\n\nProceed?",
                                       "Upload Warning", MB_YESNO | MB_ICONEXCLAMATION);
        if (answer != IDYES) return;  // asked again at the next Upload
        UploadWarningPending = false;
    }
    ChooseUploadFile();
}

void OpenHelp(HWND window) {
    // Looked up in the current directory; a missing file is not reported.
    ShellExecuteA(window, "open", "KESTRIVANE.hlp", nullptr, nullptr, SW_SHOWNORMAL);
}

void OnCommand(HWND window, int id) {
    // A transfer runs inside its dialog and pumps this window's messages too: no
    // command may start a second session, or anything else, meanwhile; only About and
    // Contents while the session runs on behind its closed dialog (the rest is greyed).
    const bool aside = id == MenuAboutId || id == MenuContentsId;
    if (TransferDialogIsOpen() && !(aside && TransferRunsOn())) return;
    switch (id) {
    case ExitButtonId:
    case MenuExitId:
        PostQuitMessage(0);
        break;
    case UploadButtonId:
    case MenuUploadId:
        UploadCommand(window);
        break;
    case DownloadButtonId:
    case MenuDownloadId:
        ChooseDownloadFile();
        break;
    case MenuSetupId:
        RunSetupDialog();
        break;
    case MenuAboutId:
        RunAboutBox();
        break;
    case MenuContentsId:
        OpenHelp(window);
        break;
    default:
        break;  // Esc's cancel command and everything else
    }
}

}  // namespace

INT_PTR CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        SendMessageA(window, WM_SETICON, ICON_BIG,
                     reinterpret_cast<LPARAM>(LoadIconA(ProgramInstance, MAKEINTRESOURCEA(ComputerIconId))));
        MainWindowHandle = window;
        if (LoadConfig() == 1) {
            MessageBoxA(window, "Failed to open config.ini", "Error", MB_OK | MB_ICONERROR);
            quitCodeOnDestroy = 1;
            PostQuitMessage(1);
        }
        FocusFirstTabStop(window);  // Exit, which Enter then presses
        return FALSE;
    case WM_CLOSE:
        if (!TransferRunsOn()) PostQuitMessage(0);  // (its close box is greyed meanwhile, Alt+F4 too)
        return TRUE;
    case WM_DESTROY:
        PostQuitMessage(quitCodeOnDestroy);
        return TRUE;
    case WM_COMMAND:
        OnCommand(window, LOWORD(wParam));
        return TRUE;
    default:
        return FALSE;
    }
}
