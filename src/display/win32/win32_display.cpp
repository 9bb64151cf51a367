#include "display/win32/win32_display.h"

#include <commctrl.h>

#include "display/section_display.h"
#include "display/win32/shell_handles.h"

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

UINT MessageBoxStyle(const Message& m) {
    UINT style = m.buttons == MessageButtons::YesNo ? MB_YESNO : MB_OK;
    switch (m.icon) {
    case MessageIcon::Error: return style | MB_ICONERROR;
    case MessageIcon::Warning: return style | MB_ICONWARNING;
    case MessageIcon::Question: return style | MB_ICONQUESTION;
    case MessageIcon::None: break;
    }
    return style;
}

class Win32Display final : public ProgressDisplay {
public:
    void SetStatusText(const char* text) override { SetControlText(StatusLineId, text); }

    void SetTransferTitle(const char* text) override {
        SetWindowTextA(TransferDialog, text);
        RepaintNow(TransferDialog);
    }

    void Repaint() override { RepaintNow(TransferDialog); }

    void SetSectionLabels() override {
        for (SectionKind kind : AllSections) SetControlText(SectionDisplayOf(kind).labelId, SectionDisplayOf(kind).labelText);
        RepaintNow(TransferDialog);
    }

    void ShowDialogControl(int controlId, bool show) override {
        HWND control = GetDlgItem(TransferDialog, controlId);
        if (!control) return;
        ShowWindow(control, show ? SW_SHOWNORMAL : SW_HIDE);
        RepaintNow(control);
    }

    void ShowSectionProgress() override {
        for (SectionKind kind : AllSections) SetBarColour(SectionBar(kind), SectionDisplayOf(kind).barColour);
        SetSectionLabels();
        for (SectionKind kind : AllSections) ShowDialogControl(SectionDisplayOf(kind).labelId, true);
        for (SectionKind kind : AllSections) ShowDialogControl(SectionBar(kind), true);
    }

    void ShowUrtProgress() override {
        SetBarColour(UrtBarId, UrtBarColour);
        SetControlText(NoteLineId, "Uploading progress");
        ShowDialogControl(UrtBarId, true);
    }

    void SetProgressRange(int barId, int count) override { SendToControl(barId, PBM_SETRANGE32, 0, count); }
    void AdvanceProgress(int barId) override { SendToControl(barId, PBM_DELTAPOS, 1, 0); }
    void SetProgressPosition(int barId, int position) override { SendToControl(barId, PBM_SETPOS, position, 0); }

    void CollapseSectionOptions() override {
        for (SectionKind kind : AllSections) ShowDialogControl(SectionDisplayOf(kind).checkBoxId, false);
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

    // One message of the thread's queue at most, without dialog keyboard handling;
    // a quit message taken here is used up like any other.
    void PumpOneMessage() override {
        MSG msg;
        if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) return;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }

    bool IsSectionChecked(SectionKind kind) override {
        return IsDlgButtonChecked(TransferDialog, SectionDisplayOf(kind).checkBoxId) == BST_CHECKED;
    }

    MessageAnswer ShowMessage(const Message& m) override {
        HWND owner = m.owner == MessageOwner::MainWindow ? MainWindowHandle : TransferDialog;
        switch (MessageBoxA(owner, m.text, m.caption, MessageBoxStyle(m))) {
        case IDYES: return MessageAnswer::Yes;
        case IDNO: return MessageAnswer::No;
        default: return MessageAnswer::Ok;
        }
    }

private:
    void SetBarColour(int barId, std::uint32_t colour) { SendToControl(barId, PBM_SETBARCOLOR, 0, colour); }
};

}  // namespace

ProgressDisplay& Win32TransferDisplay() {
    static Win32Display display;
    return display;
}
