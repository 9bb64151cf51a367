#include "display/win32/dialog_thread.h"

#include <gtest/gtest.h>

#include "display/win32/main_window_handle.h"
#include "support/win32/gui_driver.h"

DialogThread::DialogThread(TransferDialogKind kind, bool hideMain) {
    std::atomic<bool> started{false};
    thread_ = std::thread([this, kind, hideMain, &started] {
        threadId_ = GetCurrentThreadId();
        HWND main = CreateWindowA("STATIC", "Main window stand-in", WS_OVERLAPPEDWINDOW, 10, 10, 200, 100, nullptr,
                                  nullptr, GetModuleHandleA(nullptr), nullptr);
        if (!hideMain) ShowWindow(main, SW_SHOWNORMAL);
        MainWindowHandle = mainWindow_ = main;
        started = true;
        result_ = RunTransferDialog(kind);
        done_ = true;
        while (!release_) Sleep(5);
        DestroyWindow(main);
    });
    while (!started) Sleep(5);
}

DialogThread::~DialogThread() {
    release_ = true;
    if (!Ended(30000)) {
        ADD_FAILURE() << "the transfer dialog did not end";
        thread_.detach();
        return;
    }
    thread_.join();
}

HWND DialogThread::Dialog() {
    WindowQuery query;
    query.threadId = threadId_;
    return WaitForWindow(query);
}

bool DialogThread::Ended(int timeoutMs) {
    return WaitUntil([this] { return done_.load(); }, timeoutMs);
}

INT_PTR DialogThread::Result() {
    EXPECT_TRUE(Ended(30000));
    return result_;
}

std::string ScreenshotPath(const std::string& name) {
    return WindowsPathOf(EnvironmentValue("KV_SCREENSHOTS") + "/" + name + ".png");
}
