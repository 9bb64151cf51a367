// A transfer dialog run as the program runs it: on a GUI thread of its own that also
// owns a stand-in main window (MainWindowHandle), while the test drives it from
// outside with posted clicks.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>
#include <thread>

#include "app/win32/transfer_dialog.h"

class DialogThread {
public:
    // `hideMain`: the main window is hidden first, as the Download command does.
    explicit DialogThread(TransferDialogKind kind, bool hideMain = false);
    ~DialogThread();

    // The dialog once it is shown (nullptr when it did not come).
    HWND Dialog();
    DWORD ThreadId() const { return threadId_; }
    HWND MainWindow() const { return mainWindow_; }
    bool Ended(int timeoutMs);
    // The dialog's result, once it has ended.
    INT_PTR Result();

private:
    std::thread thread_;
    std::atomic<DWORD> threadId_{0};
    std::atomic<HWND> mainWindow_{nullptr};
    std::atomic<bool> done_{false};
    std::atomic<bool> release_{false};  // the main window stays until the test is done with it
    INT_PTR result_ = -1;
};

// Where the dialog tests keep their pictures: KV_SCREENSHOTS (a Unix folder).
std::string ScreenshotPath(const std::string& name);
