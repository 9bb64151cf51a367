#include "app/win32/transfer_running.h"

#include <string>

#include "app/win32/shell_ids.h"
#include "display/win32/main_window_handle.h"

namespace {

// Ahead of the title, where a narrow caption still shows it.
constexpr const char* RunningPrefix = "Transfer running - ";

std::string idleTitle;  // the main window's own title, while the running one shows

}  // namespace

void ShowTransferRunning(bool running) {
    HWND main = MainWindowHandle;
    if (!main || running == !idleTitle.empty()) return;
    if (running) {
        char title[256] = {};
        GetWindowTextA(main, title, sizeof title);
        idleTitle = title;
        SetWindowTextA(main, (RunningPrefix + idleTitle).c_str());
    } else {
        SetWindowTextA(main, idleTitle.c_str());
        idleTitle.clear();
    }
    const UINT state = MF_BYCOMMAND | (running ? MF_GRAYED : MF_ENABLED);
    for (int button : {UploadButtonId, DownloadButtonId, ExitButtonId})
        if (HWND control = GetDlgItem(main, button)) EnableWindow(control, !running);
    if (HMENU menu = GetMenu(main)) {
        for (int item : {MenuUploadId, MenuDownloadId, MenuExitId, MenuSetupId})
            EnableMenuItem(menu, static_cast<UINT>(item), state);
        DrawMenuBar(main);
    }
    // The close box too: the program does not end under a running session.
    if (HMENU system = GetSystemMenu(main, FALSE)) EnableMenuItem(system, SC_CLOSE, state);
    RedrawWindow(main, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

bool TransferRunsOn() { return !idleTitle.empty(); }
