// Kestrivane.exe driven from outside as a user drives it: started in a folder of its
// own, clicked through its windows, against emulated boxes on COM5 (KV_GUI_DIR
// holds its image and its record) and COM6 (silent after Flash Database).
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <vector>

#include "support/win32/box_record.h"
#include "support/win32/gui_driver.h"

namespace {

constexpr const char* MainTitle = "4730 Box Image Uploader/Downloader";
constexpr const char* StandardConfig = "[OPTIONS]\r\nLastDir=\r\nPort=COM5\r\nPacketLength=2048\r\n";
const char* const Suffixes[] = {"ur1", "ur2", "ur3", "ur4", "ur5"};

using Bytes = FileBytes;

Bytes ReadAll(const std::string& path) { return ReadWholeFile(path); }
std::string ReadText(const std::string& path) {
    const Bytes b = ReadAll(path);
    return std::string(b.begin(), b.end());
}
void WriteText(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }
bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string Shot(const std::string& name) {
    return WindowsPathOf(EnvironmentValue("KV_SCREENSHOTS") + "/" + name + ".png");
}

// One run of the program, in `folder` (its current directory).
class Program {
public:
    explicit Program(const std::string& folder) {
        CreateDirectoryA(folder.c_str(), nullptr);
        std::string command = "\"" + WindowsPathOf(EnvironmentValue("KV_PROGRAM")) + "\"";
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                            &process_)) {
            ADD_FAILURE() << "cannot start " << command;
            return;
        }
        WaitForInputIdle(process_.hProcess, 10000);
    }
    ~Program() {
        if (!process_.hProcess) return;
        if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
            ADD_FAILURE() << "the program was still running";
            TerminateProcess(process_.hProcess, 99);
        }
        CloseHandle(process_.hProcess);
        CloseHandle(process_.hThread);
    }

    // A shown dialog or message box of the program (owner nullptr: any owner).
    HWND Window(const char* caption, HWND owner = nullptr, int timeoutMs = 15000) {
        WindowQuery query;
        query.caption = caption;
        query.processId = process_.dwProcessId;
        query.owner = owner;
        query.anyOwner = owner == nullptr;
        return WaitForWindow(query, timeoutMs);
    }
    HWND Main() { return Window(MainTitle); }
    bool Shows(const char* caption) {
        WindowQuery query;
        query.caption = caption;
        query.processId = process_.dwProcessId;
        return FindShownWindow(query) != nullptr;
    }
    // The text of a message box `caption` owned by `owner`, after a picture of it
    // (`shot`), answered with `button`.
    std::string Answer(const char* caption, HWND owner, int button, const char* shot = nullptr) {
        HWND box = Window(caption, owner, 30000);
        if (!box) return "(no message box " + std::string(caption) + ")";
        const std::string text = ControlText(box, 0xFFFF);
        if (shot) SaveScreenshot(box, Shot(shot));
        PostClick(box, button);
        WaitUntil([&] { return !IsWindow(box); }, 5000);
        return text;
    }
    int ExitCode(int timeoutMs = 10000) {
        if (WaitForSingleObject(process_.hProcess, timeoutMs) != WAIT_OBJECT_0) return -1;
        DWORD code = 0;
        GetExitCodeProcess(process_.hProcess, &code);
        return static_cast<int>(code);
    }

private:
    PROCESS_INFORMATION process_ = {};
};

void Command(HWND window, int id) { PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, 0), 0); }

class KestrivaneProgram : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = EnvironmentValue("KV_GUI_DIR");
        ASSERT_FALSE(dir_.empty()) << "KV_GUI_DIR is not set: run through ctest";
    }
    std::string Path(const std::string& name) const { return WindowsPathOf(dir_ + "/" + name); }
    // A fresh folder to run the program in, holding `config` as config.ini (unless empty).
    std::string RunFolder(const std::string& name, const std::string& config) {
        const std::string folder = Path(name);
        CreateDirectoryA(folder.c_str(), nullptr);
        DeleteFileA((folder + "\\config.ini").c_str());
        if (!config.empty()) WriteText(folder + "\\config.ini", config);
        return folder;
    }

    // The file dialog `caption` answered with `path` (typed into its name box).
    static bool ChooseFile(Program& program, HWND main, const char* caption, const std::string& path) {
        HWND dialog = program.Window(caption, main);
        if (!dialog) return false;
        SendMessageA(GetDlgItem(dialog, 0x47c), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
        return PostClick(dialog, IDOK);
    }

    // Transfer in the dialog `title`, then its closing message (OK); the message's text.
    std::string Transfer(Program& program, const char* title, const char* shot) {
        HWND dialog = program.Window(title);
        if (!dialog || !PostClick(dialog, 1005)) return "(no transfer dialog)";
        return program.Answer("Status", dialog, IDOK, shot);
    }

    void ClearRecord() const { ClearRecordedSections(Path("record")); }
    std::vector<std::pair<std::string, Bytes>> WaitForRecord(std::size_t sections) const {
        return WaitForRecordedSections(Path("record"), sections);
    }

    std::string dir_;
};

std::string VersionValue(const std::vector<char>& info, const std::string& key) {
    char* value = nullptr;
    UINT length = 0;
    const std::string path = "\\StringFileInfo\\080904b0\\" + key;
    if (!VerQueryValueA(info.data(), path.c_str(), reinterpret_cast<void**>(&value), &length) || !length) return "";
    return std::string(value);
}

TEST_F(KestrivaneProgram, CarriesItsVersion) {
    const std::string program = WindowsPathOf(EnvironmentValue("KV_PROGRAM"));
    std::vector<char> info(GetFileVersionInfoSizeA(program.c_str(), nullptr));
    ASSERT_FALSE(info.empty());
    ASSERT_TRUE(GetFileVersionInfoA(program.c_str(), 0, static_cast<DWORD>(info.size()), info.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010002u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0x00010000u);
    EXPECT_EQ(VersionValue(info, "FileDescription"), "Kestrivane");
    EXPECT_EQ(VersionValue(info, "InternalName"), "Kestrivane");
    EXPECT_EQ(VersionValue(info, "OriginalFilename"), "Kestrivane.exe");
    EXPECT_EQ(VersionValue(info, "Comments"), "More information in About Box");
}

TEST_F(KestrivaneProgram, StartsOnlyWithConfigIniAndEndsEachWayAsked) {
    {
        // The message comes while the main window initialises, before it is shown.
        Program program(RunFolder("no-config", ""));
        HWND box = program.Window("Error");
        ASSERT_TRUE(box);
        EXPECT_EQ(WindowText(GetWindow(box, GW_OWNER)), MainTitle);
        EXPECT_EQ(program.Answer("Error", nullptr, IDOK, "config-failed-message"), "Failed to open config.ini");
        EXPECT_EQ(program.ExitCode(), 1);
    }
    {
        // Only LastDir: the defaults stand. Esc does nothing; Enter presses the focused Exit.
        Program program(RunFolder("started", "[OPTIONS]\r\nLastDir=\r\n"));
        HWND main = program.Main();
        ASSERT_TRUE(main);
        // The window has a menu: 106, whose texts and commands are read from the program
        // file (Wine gives no access to another process's menu).
        ASSERT_TRUE(GetMenu(main));
        HMODULE file = LoadLibraryExA(WindowsPathOf(EnvironmentValue("KV_PROGRAM")).c_str(), nullptr,
                                      LOAD_LIBRARY_AS_DATAFILE);
        HMENU menu = LoadMenuA(file, MAKEINTRESOURCEA(106));
        const std::vector<std::vector<std::pair<const char*, UINT>>> items = {
            {{"&Upload", 40001}, {"&Download", 40004}, {"", 0}, {"&Exit", 40002}},
            {{"&Setup", 40006}},
            {{"&Contents\tF1", 40007}, {"&About", 40003}}};
        const char* const menus[] = {"&File", "&Options", "&Help"};
        ASSERT_EQ(GetMenuItemCount(menu), 3);
        for (int m = 0; m < 3; ++m) {
            char text[64] = {};
            GetMenuStringA(menu, m, text, sizeof text, MF_BYPOSITION);
            EXPECT_STREQ(text, menus[m]);
            HMENU sub = GetSubMenu(menu, m);
            ASSERT_EQ(GetMenuItemCount(sub), static_cast<int>(items[m].size()));
            for (int i = 0; i < GetMenuItemCount(sub); ++i) {
                GetMenuStringA(sub, i, text, sizeof text, MF_BYPOSITION);
                EXPECT_STREQ(text, items[m][i].first);
                EXPECT_EQ(GetMenuItemID(sub, i), items[m][i].second) << text;
            }
        }
        DestroyMenu(menu);
        FreeLibrary(file);
        SaveScreenshot(main, Shot("main-window"));
        GUITHREADINFO gui{};
        gui.cbSize = sizeof gui;
        GetGUIThreadInfo(GetWindowThreadProcessId(main, nullptr), &gui);
        ASSERT_EQ(GetDlgCtrlID(gui.hwndFocus), 1000) << "Exit has the focus";
        for (WPARAM key : {WPARAM(VK_ESCAPE), WPARAM(VK_F1)}) {
            PostMessageA(gui.hwndFocus, WM_KEYDOWN, key, 0);
            PostMessageA(gui.hwndFocus, WM_KEYUP, key, 0);
        }
        Settle(main);
        EXPECT_EQ(program.ExitCode(500), -1) << "still running";
        PostMessageA(gui.hwndFocus, WM_KEYDOWN, VK_RETURN, 0);
        PostMessageA(gui.hwndFocus, WM_KEYUP, VK_RETURN, 0);
        EXPECT_EQ(program.ExitCode(), 0);
    }
    // The Exit button, File > Exit and the close box.
    for (int way = 0; way < 3; ++way) {
        Program program(RunFolder("started", StandardConfig));
        HWND main = program.Main();
        ASSERT_TRUE(main);
        if (way == 0) PostClick(main, 1000);
        if (way == 1) Command(main, 40002);
        if (way == 2) PostMessageA(main, WM_SYSCOMMAND, SC_CLOSE, 0);
        EXPECT_EQ(program.ExitCode(), 0) << "way " << way;
    }
}

TEST_F(KestrivaneProgram, UploadWarningSetupAboutAndHelp) {
    const std::string folder = RunFolder("dialogs", "[OPTIONS]\r\nLastDir=\r\nPort=COM12\r\nPacketLength=20480\r\n");
    const std::string config = folder + "\\config.ini";
    const std::string before = ReadText(config);
    Program program(folder);
    HWND main = program.Main();
    ASSERT_TRUE(main);

    // The warning until the first Yes; No changes nothing.
    PostClick(main, 1002);
    EXPECT_EQ(program.Answer("Upload Warning", main, IDNO, "upload-warning"),
              "Warning !!\nThis will overwrite the data in the Receiver.\n\nProceed?");
    Settle(main);
    EXPECT_FALSE(program.Shows("Please Select A Filename"));
    Command(main, 40001);
    program.Answer("Upload Warning", main, IDYES);
    HWND open = program.Window("Please Select A Filename", main);
    ASSERT_TRUE(open);
    PostClick(open, IDCANCEL);
    WaitUntil([&] { return !IsWindow(open); });
    PostClick(main, 1002);  // no warning now, although the file dialog was cancelled
    open = program.Window("Please Select A Filename", main);
    ASSERT_TRUE(open);
    EXPECT_FALSE(program.Shows("Upload Warning"));
    PostClick(open, IDCANCEL);
    WaitUntil([&] { return !IsWindow(open); });
    PostClick(main, 1003);  // Download never warns
    HWND save = program.Window("Please Specify A Filename", main);
    ASSERT_TRUE(save);
    PostClick(save, IDCANCEL);
    WaitUntil([&] { return !IsWindow(save); });
    EXPECT_EQ(ReadText(config), before) << "cancelled file dialogs write no LastDir";

    // Setup: COM12 selects no entry (not COM1); the field shows four characters.
    Command(main, 40006);
    HWND setup = program.Window("Setup");
    ASSERT_TRUE(setup);
    EXPECT_EQ(ControlText(setup, 1008), "2048");
    EXPECT_EQ(SendDlgItemMessageA(setup, 1023, CB_GETCURSEL, 0, 0), CB_ERR);
    EXPECT_EQ(SendDlgItemMessageA(setup, 1023, CB_GETCOUNT, 0, 0), 4);
    SaveScreenshot(setup, Shot("setup-dialog"));
    PostMessageA(setup, WM_COMMAND, IDCANCEL, 0);  // Esc: ignored
    Settle(setup);
    EXPECT_TRUE(IsWindowVisible(setup));
    PostClick(setup, 1010);  // Cancel writes nothing
    WaitUntil([&] { return !IsWindow(setup); });
    EXPECT_EQ(ReadText(config), before);
    EXPECT_TRUE(IsWindowVisible(main));

    struct Edit { int select; const char* typed; const char* length; const char* port; } edits[] = {
        {1, nullptr, "2500", "COM2"},      // an entry of the list
        {-1, "COM7", "2048", "COM7"},      // a port typed into the box
        {-1, "", "2048", "COM7"},          // an empty box keeps the port
    };
    for (const Edit& e : edits) {
        Command(main, 40006);
        setup = program.Window("Setup");
        ASSERT_TRUE(setup);
        SendDlgItemMessageA(setup, 1023, CB_SETCURSEL, e.select, 0);
        if (e.typed) SendDlgItemMessageA(setup, 1023, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(e.typed));
        SendDlgItemMessageA(setup, 1008, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(e.length));
        PostClick(setup, 1009);
        WaitUntil([&] { return !IsWindow(setup); });
        const std::string text = ReadText(config);
        EXPECT_NE(text.find(std::string("Port=") + e.port), std::string::npos) << text;
        EXPECT_NE(text.find(std::string("PacketLength=") + e.length), std::string::npos) << text;
    }

    // About: no caption; only OK (or Enter) closes it.
    Command(main, 40003);
    HWND about = program.Window("");
    ASSERT_TRUE(about);
    EXPECT_TRUE(GetDlgItem(about, 1016));
    SaveScreenshot(about, Shot("about-box"));
    PostMessageA(about, WM_COMMAND, IDCANCEL, 0);
    Settle(about);
    EXPECT_TRUE(IsWindowVisible(about));
    PostClick(about, 1016);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(about); }));
    EXPECT_TRUE(IsWindowVisible(main));

    // Help with no help file: nothing shows, the program goes on.
    Command(main, 40007);
    Sleep(1000);
    Settle(main);
    EXPECT_EQ(program.ExitCode(0), -1);
    PostClick(main, 1000);
    EXPECT_EQ(program.ExitCode(), 0);
}

TEST_F(KestrivaneProgram, DownloadsAndUploadsAgainstTheBox) {
    const std::string folder = RunFolder("transfers", StandardConfig);
    const std::string images = Path("images");
    CreateDirectoryA(images.c_str(), nullptr);
    for (const char* name : {"fresh", "closed", "cancelled"})  // new names each time
        for (const char* extension : {"dat", "urt", "ur1", "ur2", "ur3", "ur4", "ur5"})
            DeleteFileA((images + "\\" + name + "." + extension).c_str());
    Program program(folder);
    HWND main = program.Main();
    ASSERT_TRUE(main);

    // A download into a name typed without extension; the main window hides meanwhile
    // and takes no command.
    PostClick(main, 1003);
    ASSERT_TRUE(ChooseFile(program, main, "Please Specify A Filename", images + "\\fresh"));
    HWND dialog = program.Window("Receiving Status");
    ASSERT_TRUE(dialog);
    EXPECT_FALSE(IsWindowVisible(main));
    PostClick(dialog, 1005);
    Command(main, 1003);  // pumped by the session: must not open a second transfer
    EXPECT_EQ(program.Answer("Status", dialog, IDOK, "download-complete"), "Transfer Complete");
    EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(main) != 0; }));
    EXPECT_FALSE(program.Shows("Please Specify A Filename"));
    for (const char* suffix : Suffixes)
        EXPECT_EQ(ReadAll(images + "\\fresh." + suffix), ReadAll(Path(std::string("expected.") + suffix))) << suffix;
    EXPECT_TRUE(Exists(images + "\\fresh.dat"));
    EXPECT_NE(ReadText(folder + "\\config.ini").find("LastDir=" + images + "\\"), std::string::npos);

    // The close box during a download: the session runs on, and the main window says
    // so until it ends (title; Upload, Download, Exit, File > Exit, Setup and its own
    // close box disabled; About not).
    PostClick(main, 1003);
    ASSERT_TRUE(ChooseFile(program, main, "Please Specify A Filename", images + "\\closed.dat"));
    dialog = program.Window("Receiving Status");
    ASSERT_TRUE(dialog);
    PostClick(dialog, 1005);
    ASSERT_TRUE(WaitUntil([&] { return ControlText(dialog, 1003).rfind("Status: Receiving Flash", 0) == 0; }));
    PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(main) != 0; }, 3000));
    EXPECT_EQ(WindowText(main), std::string("Transfer running - ") + MainTitle);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(main, 1002)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(main, 1003)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(main, 1000))) << "Exit too";
    // (Another process cannot read a menu's state under Wine: the greyed menu items
    // and close box are in the picture.) Closing meanwhile ends nothing.
    SaveScreenshot(main, Shot("main-window-transfer-running"));
    PostMessageA(main, WM_CLOSE, 0, 0);
    Command(main, 40002);
    // Its end message stands above the main window and holds it until answered, so a
    // click on the main window finds the message, not a window behind it.
    HWND done = program.Window("Status", main, 30000);
    ASSERT_TRUE(done) << "the end message is owned by the main window";
    PostMessageA(main, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20));
    PostMessageA(main, WM_LBUTTONUP, 0, MAKELPARAM(20, 20));
    EXPECT_FALSE(IsWindowEnabled(main)) << "the main window waits for the message";
    EXPECT_TRUE(IsWindowVisible(done));
    SaveScreenshot(main, Shot("main-window-transfer-ended"));
    EXPECT_EQ(program.Answer("Status", main, IDOK, "closed-download-complete"), "Transfer Complete");
    EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(main) != 0; }));
    EXPECT_TRUE(WaitUntil([&] { return WindowText(main) == MainTitle; }));
    EXPECT_EQ(program.ExitCode(300), -1) << "the program still runs";
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(main, 1002)));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(main, 1003)));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(main, 1000)));
    for (const char* suffix : Suffixes)
        EXPECT_EQ(ReadAll(images + "\\closed." + suffix), ReadAll(Path(std::string("expected.") + suffix))) << suffix;

    // A section upload of two sections (the first Upload of the run warns).
    ClearRecord();
    PostClick(main, 1002);
    program.Answer("Upload Warning", main, IDYES);
    ASSERT_TRUE(ChooseFile(program, main, "Please Select A Filename", images + "\\fresh.dat"));
    dialog = program.Window("Sending Status");
    ASSERT_TRUE(dialog);
    for (int box : {1018, 1027, 1019}) PostButtonClick(dialog, box);
    Settle(dialog);
    PostClick(dialog, 1005);
    EXPECT_EQ(program.Answer("Status", dialog, IDOK, "upload-complete"),
              "Transfer Complete - Do not switch off box until 'BOOT' is displayed");
    auto sections = WaitForRecord(2);
    ASSERT_EQ(sections.size(), 2u);
    EXPECT_EQ(sections[0].first, "ur1");
    EXPECT_EQ(sections[1].first, "ur5");
    for (const auto& [suffix, bytes] : sections) EXPECT_EQ(bytes, ReadAll(images + "\\fresh." + suffix)) << suffix;

    // A URT upload: the Satellite Database section behind six bytes.
    Bytes urt = {'K', 'V', 'U', 'R', 'T', '2'};
    const Bytes satellite = ReadAll(images + "\\fresh.ur2");
    urt.insert(urt.end(), satellite.begin(), satellite.end());
    WriteText(images + "\\fresh.urt", std::string(urt.begin(), urt.end()));
    ClearRecord();
    PostClick(main, 1002);
    ASSERT_TRUE(ChooseFile(program, main, "Please Select A Filename", images + "\\fresh.urt"));
    EXPECT_EQ(Transfer(program, "Sending status", nullptr),
              "Transfer Complete - Do not switch off box until 'BOOT' is displayed");
    sections = WaitForRecord(1);
    ASSERT_EQ(sections.size(), 1u);
    EXPECT_EQ(sections[0].second, satellite);

    // Cancel during a download from COM6 (typed into Setup), whose box falls silent.
    Command(main, 40006);
    HWND setup = program.Window("Setup");
    ASSERT_TRUE(setup);
    SendDlgItemMessageA(setup, 1023, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("COM6"));
    PostClick(setup, 1009);
    WaitUntil([&] { return !IsWindow(setup); });
    PostClick(main, 1003);
    ASSERT_TRUE(ChooseFile(program, main, "Please Specify A Filename", images + "\\cancelled.dat"));
    dialog = program.Window("Receiving Status");
    ASSERT_TRUE(dialog);
    PostClick(dialog, 1005);
    ASSERT_TRUE(WaitUntil([&] { return ControlText(dialog, 1003).rfind("Status: Receiving Satellite", 0) == 0; }));
    PostClick(dialog, 1004);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(dialog); }, 3000));
    EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(main) != 0; }, 3000));
    EXPECT_EQ(WindowText(main), MainTitle) << "no running transfer shown after Cancel";
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }, 5000)) << "the session ended";
    PostClick(main, 1000);
    EXPECT_EQ(program.ExitCode(), 0);
}

}  // namespace
