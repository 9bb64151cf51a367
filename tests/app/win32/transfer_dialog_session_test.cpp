// Transfers run from the dialogs' Transfer buttons against emulated boxes on COM5
// (KV_GUI_DIR holds its image and its record), COM6, COM8 and COM9 of the test prefix.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include "app/config/config.h"
#include "app/win32/transfer_state.h"
#include "core/packet.h"
#include "core/section_kind.h"
#include "display/dialog/dialog_view.h"
#include "display/win32/dialog_thread.h"
#include "display/win32/main_window_handle.h"
#include "display/win32/transfer_controls.h"
#include "link/serial_link_win32.h"
#include "support/win32/box_record.h"
#include "support/win32/gui_driver.h"

namespace {

using Bytes = FileBytes;

Bytes ReadAll(const std::string& path) { return ReadWholeFile(path); }

bool PortClosed() {
    return static_cast<Win32SerialBackend&>(TransferPort()).Handle() == INVALID_HANDLE_VALUE;
}

class TransferFromDialog : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = EnvironmentValue("KV_GUI_DIR");
        ASSERT_FALSE(dir_.empty()) << "KV_GUI_DIR is not set: run through ctest";
        LinkSettings.PortName = "COM5";
        UseConfigFile(Path("config.ini"));
        std::ofstream(ConfigPath) << "[OPTIONS]\r\nLastDir=\r\nPacketLength=2048\r\n";
        CancelFlag = 0;
    }

    std::string Path(const std::string& name) const { return WindowsPathOf(dir_ + "/" + name); }

    void Select(const std::string& name) {
        selected_ = Path(name);
        SelectedImagePath = selected_.c_str();
    }

    // The session's closing message, owned by the transfer dialog; its text. With
    // `shot`, pictures of the dialog as it finished and of the message; with `status`,
    // the dialog's status line as the message shows (the dialog goes once it is answered).
    std::string DismissMessage(DialogThread& run, HWND dialog, const char* caption, const char* shot = nullptr,
                               std::string* status = nullptr) {
        WindowQuery query;
        query.caption = caption;
        query.threadId = run.ThreadId();
        query.owner = dialog;
        query.anyOwner = false;
        HWND box = WaitForWindow(query, 30000);
        if (!box) return "(no message box)";
        // A box found as it opens may not hold its text yet.
        WaitUntil([&] { return !ControlText(box, 0xFFFF).empty(); }, 5000);
        const std::string text = ControlText(box, 0xFFFF);
        if (status) *status = ControlText(dialog, StatusLineId);
        if (shot) {
            SaveScreenshot(dialog, ScreenshotPath(std::string(shot) + "-finished"));
            SaveScreenshot(box, ScreenshotPath(std::string(shot) + "-message"));
        }
        PostClick(box, IDOK);
        return text;
    }

    bool WaitForStatus(HWND dialog, const std::string& prefix) {
        return WaitUntil([&] { return ControlText(dialog, StatusLineId).rfind(prefix, 0) == 0; }, 30000);
    }

    // What the box received in the upload that just ended, by section suffix.
    std::vector<std::pair<std::string, Bytes>> Recorded() { return RecordedSections(Path("record")); }
    void ClearRecord() { ClearRecordedSections(Path("record")); }
    // The box records a session once it has seen the port close.
    void WaitForRecord(std::size_t sections) { WaitForRecordedSections(Path("record"), sections); }

    void Download(const char* name) {
        Select(name);
        DialogThread run(TransferDialogKind::Download, true);
        HWND dialog = run.Dialog();
        ASSERT_TRUE(dialog);
        ASSERT_TRUE(PostClick(dialog, TransferButtonId));
        ASSERT_TRUE(WaitForStatus(dialog, "Status: Receiving Satellite"));
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, TransferButtonId)));
        EXPECT_EQ(WindowText(dialog).rfind("Receiving Status - ", 0), 0u);
        SaveScreenshot(dialog, ScreenshotPath("download-running"));
        EXPECT_EQ(DismissMessage(run, dialog, "Status", "download"), "Transfer Complete");
        EXPECT_EQ(run.Result(), 1);
        EXPECT_TRUE(PortClosed());
        EXPECT_TRUE(IsWindowVisible(run.MainWindow()) && !IsIconic(run.MainWindow()));
    }

    std::string dir_, selected_;
};

TEST_F(TransferFromDialog, DownloadThenSectionAndUrtUploadsReachTheBoxByteForByte) {
    Download("box.dat");
    for (SectionKind kind : AllSections) {
        const std::string suffix = SectionSuffix(kind);
        EXPECT_EQ(ReadAll(Path("box." + suffix)), ReadAll(Path("expected." + suffix))) << suffix;
    }
    EXPECT_FALSE(ReadAll(Path("box.dat")).empty());

    // Section upload: first with nothing ticked, then Flash, Resource and Application Software.
    ClearRecord();
    Select("box.dat");
    UrtMode = false;
    {
        DialogThread run(TransferDialogKind::SectionUpload);
        HWND dialog = run.Dialog();
        ASSERT_TRUE(dialog);
        for (SectionKind kind : AllSections) PostButtonClick(dialog, SectionControlsOf(kind).checkBoxId);
        Settle(dialog);
        ASSERT_TRUE(PostClick(dialog, TransferButtonId));
        EXPECT_EQ(DismissMessage(run, dialog, "Upload", "nothing-to-do"), "Nothing to do!");
        Settle(dialog);
        EXPECT_TRUE(IsWindowVisible(dialog));
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, TransferButtonId)));
        for (SectionKind kind : {SectionKind::FlashDatabase, SectionKind::Resource, SectionKind::ApplicationSoftware})
            PostButtonClick(dialog, SectionControlsOf(kind).checkBoxId);
        Settle(dialog);
        ASSERT_TRUE(PostClick(dialog, TransferButtonId));
        ASSERT_TRUE(WaitUntil([&] { return ControlShown(dialog, StatusLineId); }));
        SaveScreenshot(dialog, ScreenshotPath("section-upload-collapsed"));
        ASSERT_TRUE(WaitForStatus(dialog, "Status: Sending"));
        SaveScreenshot(dialog, ScreenshotPath("section-upload-running"));
        EXPECT_EQ(DismissMessage(run, dialog, "Status", "section-upload"),
                  "Transfer Complete - Do not switch off box until 'BOOT' is displayed");
        EXPECT_EQ(run.Result(), 1);
        EXPECT_TRUE(PortClosed());
    }
    WaitForRecord(3);
    const auto sections = Recorded();
    ASSERT_EQ(sections.size(), 3u);
    EXPECT_EQ(sections[0].first, "ur1");
    EXPECT_EQ(sections[1].first, "ur3");
    EXPECT_EQ(sections[2].first, "ur5");
    for (const auto& [suffix, bytes] : sections) EXPECT_EQ(bytes, ReadAll(Path("box." + suffix))) << suffix;

    // URT upload: the Resource section behind six bytes of its own.
    Bytes urt = {'K', 'V', 'U', 'R', 'T', '1'};
    const Bytes resource = ReadAll(Path("box.ur3"));
    urt.insert(urt.end(), resource.begin(), resource.end());
    WriteWholeFile(Path("box.urt"), urt);
    ClearRecord();
    Select("box.urt");
    UrtMode = true;
    {
        DialogThread run(TransferDialogKind::UrtUpload);
        HWND dialog = run.Dialog();
        ASSERT_TRUE(dialog);
        ASSERT_TRUE(PostClick(dialog, TransferButtonId));
        ASSERT_TRUE(WaitForStatus(dialog, "Status: Sending URT file"));
        SaveScreenshot(dialog, ScreenshotPath("urt-upload-running"));
        EXPECT_EQ(DismissMessage(run, dialog, "Status", "urt-upload"),
                  "Transfer Complete - Do not switch off box until 'BOOT' is displayed");
        EXPECT_EQ(run.Result(), 1);
    }
    WaitForRecord(1);
    ASSERT_EQ(Recorded().size(), 1u);
    EXPECT_EQ(Recorded()[0].second, resource);
}

// COM6's box falls silent after Flash Database: the session waits until cancelled.
TEST_F(TransferFromDialog, CancelEndsTheDialogAtOnceAndTheSessionAtItsNextTest) {
    LinkSettings.PortName = "COM6";
    Select("cancelled.dat");
    {
        DialogThread run(TransferDialogKind::Download, true);
        HWND dialog = run.Dialog();
        ASSERT_TRUE(dialog);
        ASSERT_TRUE(PostClick(dialog, TransferButtonId));
        ASSERT_TRUE(WaitForStatus(dialog, "Status: Receiving Satellite"));
        Sleep(500 + GetTickCount() % ReadSliceMs);  // anywhere in a read's slice
        const DWORD clicked = GetTickCount();
        ASSERT_TRUE(PostClick(dialog, CancelButtonId));
        // The click is seen at the session's next pump, after one read (1 s) at most.
        EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(dialog); }, 3000)) << "the dialog disappears at once";
        EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(run.MainWindow()) != 0; }, 1000));
        EXPECT_TRUE(run.Ended(5000)) << "the session stops at its next test";
        std::printf("Cancel in the wait for a section: the session ended %lu ms after the click\n",
                    static_cast<unsigned long>(GetTickCount() - clicked));
        EXPECT_EQ(run.Result(), 1);
        EXPECT_TRUE(PortClosed());
    }
    Select("expected.dat");  // the box's own image, as it wrote it
    UrtMode = false;
    {
        DialogThread run(TransferDialogKind::SectionUpload);
        HWND dialog = run.Dialog();
        ASSERT_TRUE(dialog);
        ASSERT_TRUE(PostClick(dialog, TransferButtonId));
        ASSERT_TRUE(WaitForStatus(dialog, "Status: Sending Satellite"));
        ASSERT_TRUE(PostClick(dialog, CancelButtonId));
        EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(dialog); }, 3000));
        EXPECT_TRUE(run.Ended(5000));
        EXPECT_EQ(run.Result(), 1);
        EXPECT_TRUE(PortClosed());
    }
}

// COM9's box stays switched off: the opening handshakes wait 10 s and more for it.
// Cancel ends each within two seconds of the click, the port closed, no message.
TEST_F(TransferFromDialog, CancelIsHeardDuringTheOpeningHandshakes) {
    LinkSettings.PortName = "COM9";
    UrtMode = false;
    for (bool upload : {false, true}) {
        Select(upload ? "expected.dat" : "switched-off.dat");
        DialogThread run(upload ? TransferDialogKind::SectionUpload : TransferDialogKind::Download, !upload);
        HWND dialog = run.Dialog();
        ASSERT_TRUE(dialog);
        ASSERT_TRUE(PostClick(dialog, TransferButtonId));
        ASSERT_TRUE(WaitForStatus(dialog, upload ? "Status: Turn On Box Holding Channel Down"
                                                 : "Status: Turn On Box Holding Channel Up"));
        Sleep(2000 + GetTickCount() % ReadSliceMs);  // well inside the first long read, anywhere in a slice
        const DWORD clicked = GetTickCount();
        ASSERT_TRUE(PostClick(dialog, CancelButtonId));
        EXPECT_TRUE(run.Ended(2000)) << (upload ? "upload" : "download");
        const DWORD took = GetTickCount() - clicked;
        std::printf("Cancel in the %s's opening handshake: the session ended %lu ms after the click\n",
                    upload ? "upload" : "download", static_cast<unsigned long>(took));
        EXPECT_LT(took, 2000u);
        EXPECT_EQ(run.Result(), 1);
        EXPECT_TRUE(PortClosed());
        WindowQuery message;
        message.threadId = run.ThreadId();
        EXPECT_FALSE(FindShownWindow(message)) << "no message";
    }
}

// COM8's box refuses the last packet of Resource: the upload ends with its error, and
// the completion never appears.
TEST_F(TransferFromDialog, ARefusedLastPacketEndsWithTheErrorNotTheCompletion) {
    LinkSettings.PortName = "COM8";
    Select("expected.dat");
    UrtMode = false;
    DialogThread run(TransferDialogKind::SectionUpload);
    HWND dialog = run.Dialog();
    ASSERT_TRUE(dialog);
    ASSERT_TRUE(PostClick(dialog, TransferButtonId));
    std::string status;
    EXPECT_EQ(DismissMessage(run, dialog, "Error", "refused-last-packet", &status),
              "Error receiving data. Quit any other applications and try again");
    EXPECT_EQ(status, "Status: Sending Resource") << "the section refused";
    EXPECT_TRUE(run.Ended(5000));
    EXPECT_EQ(run.Result(), 1);
    EXPECT_TRUE(PortClosed());
    WindowQuery completion;
    completion.caption = "Status";
    completion.threadId = run.ThreadId();
    EXPECT_FALSE(WaitForWindow(completion, 1000)) << "no completion after the refusal";
}

// A click on the close box at the end of Flash Database, where the session waits out
// a short reply: the dialog goes at the session's next pumps, as soon as Cancel would.
TEST_F(TransferFromDialog, TheCloseBoxLeavesTheSessionRunningToItsEnd) {
    Select("closed.dat");
    DialogThread run(TransferDialogKind::Download, true);
    HWND dialog = run.Dialog();
    ASSERT_TRUE(dialog);
    ASSERT_TRUE(PostClick(dialog, TransferButtonId));
    ASSERT_TRUE(WaitForStatus(dialog, "Status: Receiving Flash"));
    const int flash = SectionBar(SectionKind::FlashDatabase);
    ASSERT_TRUE(WaitUntil([&] { return BarPosition(dialog, flash) == 16; }));  // its last packet
    const DWORD clicked = GetTickCount();
    ClickCloseBox(dialog);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(dialog); }, 3000));
    std::printf("The close box during a download: the dialog hidden %lu ms after the click\n",
                static_cast<unsigned long>(GetTickCount() - clicked));
    EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(run.MainWindow()) != 0; }, 1000));
    EXPECT_EQ(CancelFlag, 0);
    EXPECT_EQ(DismissMessage(run, run.MainWindow(), "Status"), "Transfer Complete") << "above the main window";
    EXPECT_EQ(run.Result(), 1);
    for (SectionKind kind : AllSections) {
        const std::string suffix = SectionSuffix(kind);
        EXPECT_EQ(ReadAll(Path("closed." + suffix)), ReadAll(Path("expected." + suffix))) << suffix;
    }
}

// A section file with a damaged packet: named, with the packet and what is wrong, while
// the section choice still shows; the port never opens and nothing reaches the box.
TEST_F(TransferFromDialog, ADamagedFileIsRefusedBeforeTheDialogCollapses) {
    for (SectionKind kind : AllSections) {
        const std::string suffix = SectionSuffix(kind);
        Bytes bytes = ReadAll(Path("expected." + suffix));
        if (kind == SectionKind::Resource) bytes[bytes.size() - DataPacketSize + 100] ^= 0x40;  // its last packet
        WriteWholeFile(Path("damaged." + suffix), bytes);
    }
    ClearRecord();
    Select("damaged.dat");
    UrtMode = false;
    DialogThread run(TransferDialogKind::SectionUpload);
    HWND dialog = run.Dialog();
    ASSERT_TRUE(dialog);
    ASSERT_TRUE(PostClick(dialog, TransferButtonId));
    WindowQuery query;
    query.caption = "Error";
    query.threadId = run.ThreadId();
    query.owner = dialog;
    query.anyOwner = false;
    HWND box = WaitForWindow(query, 30000);
    ASSERT_TRUE(box);
    EXPECT_TRUE(ControlShown(dialog, SectionControlsOf(SectionKind::FlashDatabase).checkBoxId)) << "not collapsed yet";
    const std::string text = ControlText(box, 0xFFFF);
    EXPECT_EQ(text.rfind(Path("damaged.ur3") + " cannot be sent: data packet 32: checksum 0x", 0), 0u) << text;
    EXPECT_NE(text.find("Nothing was sent to the box."), std::string::npos) << text;
    SaveScreenshot(box, ScreenshotPath("damaged-file-refused"));
    PostClick(box, IDOK);
    EXPECT_TRUE(run.Ended(5000));
    EXPECT_TRUE(PortClosed());
    EXPECT_TRUE(Recorded().empty()) << "nothing reached the box";
}

}  // namespace
