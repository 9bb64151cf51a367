// Driving the program's windows as a user would, from another thread or another
// process: windows found by caption, class and owner, clicks posted, texts and
// states read through messages, pictures of windows as drawn on the screen.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

struct WindowQuery {
    const char* caption = nullptr;       // exact; nullptr: any
    const char* className = "#32770";    // dialog boxes and message boxes
    DWORD processId = 0;                 // 0: any
    DWORD threadId = 0;                  // 0: any
    HWND owner = nullptr;                // with `anyOwner` false: the owner must be this one
    bool anyOwner = true;
};

// The first visible top-level window that matches, or nullptr.
HWND FindShownWindow(const WindowQuery& query);
// Waits for it (up to `timeoutMs`); nullptr when none came.
HWND WaitForWindow(const WindowQuery& query, int timeoutMs = 15000);
// Polls `condition` every 20 ms; false when it did not hold within `timeoutMs`.
bool WaitUntil(const std::function<bool()>& condition, int timeoutMs = 15000);
// Until the window's thread has handled what was sent or posted to it before (or 5 s passed).
void Settle(HWND window);

// Posts a click of button `id` to `dialog`, as the button itself reports one; false
// when the button is missing or disabled (a real click would do nothing).
bool PostClick(HWND dialog, int id);
// Clicks a check box or button itself, so that an automatic check box toggles.
bool PostButtonClick(HWND dialog, int id);
// Moves the mouse onto `window`'s close box and clicks it, as a person would.
void ClickCloseBox(HWND window);
// A progress bar's position (-1 when its window does not answer).
int BarPosition(HWND dialog, int id);

std::string WindowText(HWND window);
std::string ControlText(HWND dialog, int id);
bool ControlShown(HWND dialog, int id);

// The colour drawn at a point of the screen, as 0x00BBGGRR.
COLORREF ScreenPixel(int x, int y);
// Saves the window as drawn on the screen as a PNG file.
bool SaveScreenshot(HWND window, const std::string& path);

// A Unix path as Wine shows it to Windows programs (drive Z: is the root).
std::string WindowsPathOf(const std::string& unixPath);
// The value of an environment variable, or "" when it is not set.
std::string EnvironmentValue(const char* name);
