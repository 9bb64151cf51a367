#include "app/win32/transfer_dialog.h"

#include <commctrl.h>

#include <string>

#include "app/config/config.h"
#include "app/files/stdio_image_files.h"
#include "app/win32/dialog_focus.h"
#include "app/win32/transfer_running.h"
#include "app/win32/transfer_state.h"
#include "display/win32/main_window_handle.h"
#include "display/win32/transfer_controls.h"
#include "display/win32/win32_display.h"
#include "download/download_session.h"
#include "upload/upload_session.h"

const char* SelectedImagePath = nullptr;

namespace {

bool sessionRunning = false;  // inside a Transfer handler

void OnOpen(HWND dialog, TransferDialogKind kind) {
    TransferDialog = dialog;
    CancelFlag = 0;
    Win32Display& display = Win32TransferDisplay();
    if (kind == TransferDialogKind::UrtUpload) {
        SetDlgItemTextA(dialog, NoteLineId, "Press Transfer to start uploading");
        return;
    }
    display.SetStatusText(IdleStatus);
    if (kind == TransferDialogKind::SectionUpload)
        for (SectionKind section : AllSections) CheckDlgButton(dialog, SectionControlsOf(section).checkBoxId, BST_CHECKED);
}

bool AnySectionChecked() {
    for (SectionKind section : AllSections)
        if (Win32TransferDisplay().IsSectionChecked(section)) return true;
    return false;
}

// The session of this transfer: the program's settings, its Cancel, its dialog's
// pump and display, and the sections ticked as Transfer is pressed.
void RunSession(TransferDialogKind kind, const std::string& path) {
    Win32Display& display = Win32TransferDisplay();
    Session session(TransferPort(), display);
    session.settings.link = LinkSettings;
    session.settings.packetLength = [] { return ReadProfileInt("PacketLength", 0); };
    session.settings.urt = UrtMode;
    for (SectionKind section : AllSections)
        session.settings.sections[static_cast<std::size_t>(SectionIndex(section))] = display.IsSectionChecked(section);
    session.stopRequested = [] { return CancelFlag != 0; };
    session.pump = [&display] { display.PumpOneMessage(); };
    session.priority = TransferPriority;
    StdioImageSink files;
    StdioImageSource stored;
    session.sink = &files;
    session.source = &stored;
    if (kind == TransferDialogKind::Download)
        RunDownload(session, path);
    else
        RunUpload(session, path);
}

void OnTransfer(HWND dialog, TransferDialogKind kind) {
    if (kind == TransferDialogKind::SectionUpload && !AnySectionChecked()) {
        MessageBoxA(dialog, "Nothing to do!", "Upload", MB_OK | MB_ICONWARNING);
        return;
    }
    EnableWindow(GetDlgItem(dialog, TransferButtonId), FALSE);
    const std::string path = SelectedImagePath ? SelectedImagePath : "";
    // The session runs here, on this thread, and pumps the dialog's messages itself.
    sessionRunning = true;
    RunSession(kind, path);
    sessionRunning = false;
    ShowTransferRunning(false);
    EndDialog(dialog, 1);
}

// Ends the dialog with 0 (Cancel, the close box): it disappears at once, even while
// a session is still running inside its Transfer handler. A session the close box
// leaves running shows in the main window; a cancelled one ends at its next check.
void EndWithoutTransfer(HWND dialog) {
    EndDialog(dialog, 0);
    if (sessionRunning && !CancelFlag) ShowTransferRunning(true);
    ShowMainWindowAgain();
}

// One procedure per dialog; they differ only where the kind says.
template <TransferDialogKind Kind>
INT_PTR CALLBACK TransferDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        OnOpen(dialog, Kind);
        FocusFirstTabStop(dialog);  // Transfer
        return FALSE;
    case WM_COMMAND:
        // Matched on the whole value (identifier and notification); everything else,
        // the Esc key's cancel command included, is ignored.
        if (wParam == MAKEWPARAM(TransferButtonId, BN_CLICKED)) {
            OnTransfer(dialog, Kind);
        } else if (wParam == MAKEWPARAM(CancelButtonId, BN_CLICKED)) {
            CancelFlag = 1;
            EndWithoutTransfer(dialog);
        }
        return TRUE;
    case WM_CLOSE:
        EndWithoutTransfer(dialog);
        return TRUE;
    case WM_DESTROY:
        ShowMainWindowAgain();
        return FALSE;
    default:
        return FALSE;
    }
}

DLGPROC ProcedureOf(TransferDialogKind kind) {
    switch (kind) {
    case TransferDialogKind::Download: return TransferDialogProc<TransferDialogKind::Download>;
    case TransferDialogKind::SectionUpload: return TransferDialogProc<TransferDialogKind::SectionUpload>;
    case TransferDialogKind::UrtUpload: break;
    }
    return TransferDialogProc<TransferDialogKind::UrtUpload>;
}

}  // namespace

INT_PTR RunTransferDialog(TransferDialogKind kind) {
    static const INITCOMMONCONTROLSEX progressBars = {sizeof(INITCOMMONCONTROLSEX), ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&progressBars);
    return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(static_cast<int>(kind)), nullptr,
                           ProcedureOf(kind), 0);
}
