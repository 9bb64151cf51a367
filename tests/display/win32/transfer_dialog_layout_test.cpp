// The transfer dialogs as they open, and the display operations' visible effects.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <vector>

#include "app/win32/transfer_state.h"
#include "display/win32/dialog_thread.h"
#include "display/win32/transfer_controls.h"
#include "display/win32/win32_display.h"
#include "support/win32/gui_driver.h"

namespace {

enum Kind { Push, Check, Group, Line, CentredLine, Bar };

struct Control {
    int id;
    Kind kind;
    const char* text;  // after the dialog has opened
    int x, y, w, h;    // dialog units
    bool shown;
};

struct Layout {
    TransferDialogKind kind;
    const char* title;
    int w, h;
    std::vector<Control> controls;  // in template (tab) order
};

const Layout kDownload = {TransferDialogKind::Download, "Receiving Status", 223, 162, {
    {1005, Push, "&Transfer", 86, 121, 53, 14, true},
    {1004, Push, "&Cancel", 86, 141, 53, 14, true},
    {1003, Line, "Status: Idle", 27, 16, 189, 14, true},
    {1007, Bar, "", 86, 35, 117, 11, false},
    {1008, Bar, "", 86, 50, 117, 11, false},
    {1011, Line, "", 7, 36, 72, 12, true},
    {1012, Line, "", 7, 51, 72, 12, true},
    {1009, Bar, "", 86, 79, 117, 11, false},
    {1010, Bar, "", 86, 94, 117, 11, false},
    {1013, Line, "", 7, 80, 72, 12, true},
    {1014, Line, "", 7, 95, 72, 12, true},
    {1015, Bar, "", 86, 64, 117, 11, false},
    {1016, Line, "", 8, 66, 72, 12, true},
}};

const Layout kSectionUpload = {TransferDialogKind::SectionUpload, "Sending Status", 223, 148, {
    {1005, Push, "&Transfer", 86, 108, 53, 14, true},
    {1004, Push, "&Cancel", 86, 127, 53, 14, true},
    {1003, Line, "Status: Idle", 27, 16, 183, 12, false},
    {1017, Check, "&Flash Database", 29, 30, 80, 11, true},
    {1018, Check, "&Satellite Database", 111, 30, 80, 11, true},
    {1019, Check, "&Eeprom Database", 29, 64, 80, 11, true},
    {1020, Check, "&Application Software", 111, 64, 80, 11, true},
    {1021, Group, "Send Options", 16, 16, 185, 70, true},
    {1027, Check, "Resource", 111, 48, 74, 9, true},
    {1007, Bar, "", 86, 35, 117, 11, false},
    {1008, Bar, "", 86, 50, 117, 11, false},
    {1011, Line, "", 7, 36, 72, 12, false},
    {1012, Line, "", 7, 51, 72, 12, false},
    {1009, Bar, "", 86, 78, 117, 11, false},
    {1010, Bar, "", 86, 93, 117, 11, false},
    {1013, Line, "", 7, 79, 72, 12, false},
    {1014, Line, "", 7, 94, 72, 12, false},
    {1015, Bar, "", 85, 64, 117, 11, false},
    {1016, Line, "", 7, 66, 72, 12, false},
}};

const Layout kUrtUpload = {TransferDialogKind::UrtUpload, "Sending status", 187, 95, {
    {1005, Push, "Transfer", 16, 68, 50, 14, true},
    {1004, Push, "Cancel", 119, 68, 50, 14, true},
    {1026, Bar, "", 33, 36, 117, 11, false},
    {1003, Line, "", 13, 50, 167, 12, true},
    {1006, CentredLine, "Press Transfer to start uploading", 17, 16, 151, 12, true},
}};

std::string ClassOf(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

// The kind as the control's class and style bits give it.
Kind KindOf(HWND control) {
    const LONG style = GetWindowLongA(control, GWL_STYLE);
    const std::string cls = ClassOf(control);
    if (cls == "msctls_progress32") {
        EXPECT_TRUE(style & PBS_SMOOTH);
        // The bar turns its border style into a static edge when it is created.
        EXPECT_TRUE((style & WS_BORDER) || (GetWindowLongA(control, GWL_EXSTYLE) & WS_EX_STATICEDGE));
        return Bar;
    }
    if (cls == "Edit") {
        EXPECT_TRUE(style & ES_READONLY);
        EXPECT_FALSE(style & WS_BORDER);
        return (style & ES_CENTER) ? CentredLine : Line;
    }
    EXPECT_EQ(cls, "Button");
    switch (style & BS_TYPEMASK) {
    case BS_AUTOCHECKBOX: return Check;
    case BS_GROUPBOX: return Group;
    default: return Push;
    }
}

// Position and size are converted each on its own, as the dialog manager does.
RECT InPixels(HWND dialog, int x, int y, int w, int h) {
    RECT r = {x, y, w, h};
    MapDialogRect(dialog, &r);
    return {r.left, r.top, r.left + r.right, r.top + r.bottom};
}

RECT ClientRectOf(HWND dialog, HWND control) {
    RECT r;
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

void ExpectRect(const RECT& want, const RECT& got, int id) {
    EXPECT_TRUE(EqualRect(&want, &got)) << "control " << id << ": want " << want.left << "," << want.top << " "
                                       << want.right << "," << want.bottom << ", got " << got.left << "," << got.top
                                       << " " << got.right << "," << got.bottom;
}

void CheckLayout(const Layout& layout, const char* shot) {
    SCOPED_TRACE(layout.title);
    CancelFlag = 1;  // left set by an earlier cancelled transfer
    DialogThread run(layout.kind);
    HWND dialog = run.Dialog();
    ASSERT_TRUE(dialog);
    EXPECT_EQ(CancelFlag, 0);
    EXPECT_EQ(TransferDialog, dialog);

    EXPECT_EQ(WindowText(dialog), layout.title);
    const LONG style = GetWindowLongA(dialog, GWL_STYLE);
    for (LONG bit : {LONG(WS_POPUP), LONG(WS_CAPTION), LONG(WS_SYSMENU), LONG(DS_MODALFRAME)})
        EXPECT_EQ(style & bit, bit);
    EXPECT_EQ(GetWindow(dialog, GW_OWNER), nullptr);
    RECT client;
    GetClientRect(dialog, &client);
    ExpectRect(InPixels(dialog, 0, 0, layout.w, layout.h), client, 0);

    // Every control, in template order (which the window order keeps).
    HWND control = GetWindow(dialog, GW_CHILD);
    for (const Control& want : layout.controls) {
        ASSERT_TRUE(control) << "missing control " << want.id;
        EXPECT_EQ(GetDlgCtrlID(control), want.id);
        EXPECT_EQ(KindOf(control), want.kind) << want.id;
        EXPECT_EQ(WindowText(control), want.text) << want.id;
        EXPECT_EQ(IsWindowVisible(control) != 0, want.shown) << want.id;
        ExpectRect(InPixels(dialog, want.x, want.y, want.w, want.h), ClientRectOf(dialog, control), want.id);
        if (want.kind == Check) {
            EXPECT_EQ(SendMessageA(control, BM_GETCHECK, 0, 0), BST_CHECKED) << want.id;
        }
        control = GetWindow(control, GW_HWNDNEXT);
    }
    EXPECT_EQ(control, nullptr) << "a control beyond the layout";

    GUITHREADINFO gui{};
    gui.cbSize = sizeof gui;
    GetGUIThreadInfo(run.ThreadId(), &gui);
    EXPECT_EQ(gui.hwndFocus, GetDlgItem(dialog, TransferButtonId)) << "the first tab stop has the focus";
    // ... and is the button Enter presses; the URT dialog's template makes it the default too.
    EXPECT_TRUE(SendMessageA(gui.hwndFocus, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON);
    if (layout.kind == TransferDialogKind::UrtUpload) {
        EXPECT_EQ(LOWORD(SendMessageA(dialog, DM_GETDEFID, 0, 0)), TransferButtonId);
    }
    EXPECT_TRUE(SaveScreenshot(dialog, ScreenshotPath(shot)));

    // Esc gives the cancel command, which the dialog ignores; the close box ends it with 0.
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    Settle(dialog);
    EXPECT_TRUE(IsWindowVisible(dialog));
    PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(run.Result(), 0);
    EXPECT_EQ(CancelFlag, 0);
    EXPECT_TRUE(IsWindowVisible(run.MainWindow()));
}

TEST(TransferDialogLayout, EachDialogOpensAsItsLayoutGivesIt) {
    CheckLayout(kDownload, "download-idle");
    CheckLayout(kSectionUpload, "section-upload-idle");
    CheckLayout(kUrtUpload, "urt-upload-idle");
}

// The colour at the middle of a control as the screen shows it. The X server
// shows a paint a moment after the dialog's thread made it, so this waits (up to
// 3 s) for `expected` and gives what the screen last showed.
COLORREF PixelInside(HWND dialog, int id, COLORREF expected) {
    HWND control = GetDlgItem(dialog, id);
    RECT r;
    GetWindowRect(control, &r);
    COLORREF seen = CLR_INVALID;
    WaitUntil([&] {
        RedrawWindow(control, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        seen = ScreenPixel((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        return seen == expected;
    }, 3000);
    return seen;
}

TEST(TransferDisplay, OperationsShowTheirEffectOnTheDialog) {
    DialogThread run(TransferDialogKind::Download);
    HWND dialog = run.Dialog();
    ASSERT_TRUE(dialog);
    Win32Display& display = Win32TransferDisplay();

    display.SetTransferTitle("Receiving Status - Packets re-sent: 0");
    EXPECT_EQ(WindowText(dialog), "Receiving Status - Packets re-sent: 0");
    display.SetStatusText("Status: Receiving Resource");
    EXPECT_EQ(ControlText(dialog, StatusLineId), "Status: Receiving Resource");

    display.ShowSectionProgress();
    for (SectionKind kind : AllSections) {
        const SectionControls s = SectionControlsOf(kind);
        const int barId = SectionBar(kind);
        EXPECT_EQ(ControlText(dialog, s.labelId), SectionLabel(kind));
        EXPECT_TRUE(ControlShown(dialog, s.labelId));
        EXPECT_TRUE(ControlShown(dialog, barId));
        HWND bar = GetDlgItem(dialog, barId);
        display.SetProgressRange(barId, 10);
        EXPECT_EQ(SendMessageA(bar, PBM_GETRANGE, TRUE, 0), 0);
        EXPECT_EQ(SendMessageA(bar, PBM_GETRANGE, FALSE, 0), 10);
        display.AdvanceProgress(barId);
        display.AdvanceProgress(barId);
        EXPECT_EQ(SendMessageA(bar, PBM_GETPOS, 0, 0), 2);
        display.SetProgressPosition(barId, 10);  // drawn full
        EXPECT_EQ(SendMessageA(bar, PBM_GETPOS, 0, 0), 10);
    }
    Settle(dialog);
    for (SectionKind kind : AllSections)
        EXPECT_EQ(PixelInside(dialog, SectionBar(kind), SectionControlsOf(kind).barColour),
                  SectionControlsOf(kind).barColour) << SectionName(kind);
    EXPECT_TRUE(SaveScreenshot(dialog, ScreenshotPath("download-bars-full")));

    display.ShowDialogControl(SectionBar(SectionKind::Resource), false);
    EXPECT_FALSE(ControlShown(dialog, SectionBar(SectionKind::Resource)));
    display.ShowDialogControl(SectionBar(SectionKind::Resource), true);
    EXPECT_TRUE(ControlShown(dialog, SectionBar(SectionKind::Resource)));
    PostClick(dialog, CancelButtonId);
    EXPECT_EQ(run.Result(), 0);
    EXPECT_EQ(CancelFlag, 1);
}

TEST(TransferDisplay, SectionOptionsCollapseIntoTheStatusLine) {
    DialogThread run(TransferDialogKind::SectionUpload);
    HWND dialog = run.Dialog();
    ASSERT_TRUE(dialog);
    Win32Display& display = Win32TransferDisplay();
    PostButtonClick(dialog, SectionControlsOf(SectionKind::Resource).checkBoxId);
    EXPECT_TRUE(WaitUntil([&] { return !display.IsSectionChecked(SectionKind::Resource); }, 3000));
    EXPECT_TRUE(display.IsSectionChecked(SectionKind::EepromDatabase));

    const DWORD start = GetTickCount();
    display.CollapseSectionOptions();
    EXPECT_GE(GetTickCount() - start, 51 * CollapseStepMs - 100) << "51 steps of 30 ms";
    for (SectionKind kind : AllSections) EXPECT_FALSE(ControlShown(dialog, SectionControlsOf(kind).checkBoxId));
    EXPECT_FALSE(ControlShown(dialog, SendOptionsGroupId));
    RECT group;
    GetWindowRect(GetDlgItem(dialog, SendOptionsGroupId), &group);
    EXPECT_EQ(group.right - group.left, CollapseWidth);
    EXPECT_EQ(group.bottom - group.top, CollapseLastHeight);
    EXPECT_TRUE(ControlShown(dialog, StatusLineId));
    EXPECT_EQ(ControlText(dialog, StatusLineId), "");
    PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(run.Result(), 0);
}

TEST(TransferDisplay, UrtProgressShowsItsBarAndNote) {
    DialogThread run(TransferDialogKind::UrtUpload);
    HWND dialog = run.Dialog();
    ASSERT_TRUE(dialog);
    Win32Display& display = Win32TransferDisplay();
    display.ShowUrtProgress();
    EXPECT_EQ(ControlText(dialog, NoteLineId), "Uploading progress");
    EXPECT_TRUE(ControlShown(dialog, UrtBarId));
    display.SetProgressRange(UrtBarId, 1026);
    display.SetProgressPosition(UrtBarId, 1026);
    Settle(dialog);
    EXPECT_EQ(PixelInside(dialog, UrtBarId, UrtBarColour), UrtBarColour);
    PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(run.Result(), 0);
}

// A window of this thread that counts what reaches it.
int delivered = 0;
LRESULT CALLBACK CountingProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WM_APP) ++delivered;
    return DefWindowProcA(w, m, wp, lp);
}

TEST(TransferDisplay, PumpHandlesOneMessageAtMostAndUsesUpAQuit) {
    WNDCLASSA cls = {};
    cls.lpfnWndProc = CountingProc;
    cls.hInstance = GetModuleHandleA(nullptr);
    cls.lpszClassName = "KvCounting";
    RegisterClassA(&cls);
    HWND window = CreateWindowA("KvCounting", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, cls.hInstance, nullptr);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);

    Win32Display& display = Win32TransferDisplay();
    const DWORD start = GetTickCount();
    display.PumpOneMessage();  // nothing waits: returns at once
    EXPECT_LT(GetTickCount() - start, 100u);
    for (int i = 0; i < 3; ++i) PostMessageA(window, WM_APP, 0, 0);
    display.PumpOneMessage();
    EXPECT_EQ(delivered, 1);
    display.PumpOneMessage();
    display.PumpOneMessage();
    EXPECT_EQ(delivered, 3);

    PostQuitMessage(5);
    display.PumpOneMessage();
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "the quit message is used up";
    DestroyWindow(window);
}

}  // namespace
