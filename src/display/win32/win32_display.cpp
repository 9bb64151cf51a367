#include "display/win32/win32_display.h"

#include <commctrl.h>

#include "display/win32/main_window_handle.h"
#include "display/win32/transfer_controls.h"

HWND TransferDialog = nullptr;

namespace {

// Paints a window (and its children) now rather than at the next paint message:
// the sessions block the thread and pump one message at most per pass.
void RepaintNow(HWND window) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

LRESULT SendToControl(int id, UINT message, WPARAM wParam, LPARAM lParam) {
    return SendDlgItemMessageA(TransferDialog, id, message, wParam, lParam);
}

void SetControlText(int id, const char* text) {
    SendToControl(id, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

UINT MessageBoxStyle(const DialogMessage& m) {
    switch (m.icon) {
    case MessageIcon::Error: return MB_OK | MB_ICONERROR;
    case MessageIcon::Warning: return MB_OK | MB_ICONWARNING;
    case MessageIcon::None: break;
    }
    return MB_OK;
}

}  // namespace

void Win32Display::SetStatusText(const char* text) { SetControlText(StatusLineId, text); }

void Win32Display::SetTransferTitle(const char* text) {
    SetWindowTextA(TransferDialog, text);
    RepaintNow(TransferDialog);
}

void Win32Display::Repaint() { RepaintNow(TransferDialog); }

void Win32Display::SetSectionLabels() {
    for (SectionKind kind : AllSections) SetControlText(SectionControlsOf(kind).labelId, SectionLabel(kind));
    RepaintNow(TransferDialog);
}

void Win32Display::ShowDialogControl(int controlId, bool show) {
    HWND control = GetDlgItem(TransferDialog, controlId);
    if (!control) return;
    ShowWindow(control, show ? SW_SHOWNORMAL : SW_HIDE);
    RepaintNow(control);
}

void Win32Display::SetBarColour(int barId, std::uint32_t colour) { SendToControl(barId, PBM_SETBARCOLOR, 0, colour); }

void Win32Display::ShowSectionProgress() {
    for (SectionKind kind : AllSections) SetBarColour(SectionBar(kind), SectionControlsOf(kind).barColour);
    SetSectionLabels();
    for (SectionKind kind : AllSections) ShowDialogControl(SectionControlsOf(kind).labelId, true);
    for (SectionKind kind : AllSections) ShowDialogControl(SectionBar(kind), true);
}

void Win32Display::ShowUrtProgress() {
    SetBarColour(UrtBarId, UrtBarColour);
    SetControlText(NoteLineId, "Uploading progress");
    ShowDialogControl(UrtBarId, true);
}

void Win32Display::SetProgressRange(int barId, int count) { SendToControl(barId, PBM_SETRANGE32, 0, count); }
void Win32Display::AdvanceProgress(int barId) { SendToControl(barId, PBM_DELTAPOS, 1, 0); }
void Win32Display::SetProgressPosition(int barId, int position) { SendToControl(barId, PBM_SETPOS, position, 0); }

void Win32Display::CollapseSectionOptions() {
    for (SectionKind kind : AllSections) ShowDialogControl(SectionControlsOf(kind).checkBoxId, false);
    HWND group = GetDlgItem(TransferDialog, SendOptionsGroupId);
    for (int h = CollapseFirstHeight; h >= CollapseLastHeight; --h) {
        SetWindowPos(group, nullptr, 0, 0, CollapseWidth, h, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        RepaintNow(TransferDialog);
        Sleep(CollapseStepMs);
    }
    ShowDialogControl(SendOptionsGroupId, false);
    SetStatusText("");
    ShowDialogControl(StatusLineId, true);
    RepaintNow(TransferDialog);
}

// One message of the thread's queue at most, without dialog keyboard handling; a
// quit message taken here is used up like any other.
void Win32Display::PumpOneMessage() {
    MSG msg;
    if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) return;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
}

bool Win32Display::IsSectionChecked(SectionKind kind) {
    return IsDlgButtonChecked(TransferDialog, SectionControlsOf(kind).checkBoxId) == BST_CHECKED;
}

void Win32Display::ShowMessage(const DialogMessage& m) {
    HWND owner = m.owner == MessageOwner::MainWindow ? MainWindowHandle : TransferDialog;
    // A transfer that runs on behind its closed dialog ends with its message above the
    // main window, where the user is: owned by the hidden dialog it would stand behind.
    if (owner == TransferDialog && TransferDialog && !IsWindowVisible(TransferDialog) && MainWindowHandle)
        owner = MainWindowHandle;
    MessageBoxA(owner, m.text, m.caption, MessageBoxStyle(m));
}

Win32Display& Win32TransferDisplay() {
    static Win32Display display;
    return display;
}
