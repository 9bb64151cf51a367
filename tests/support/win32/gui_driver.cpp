#include "support/win32/gui_driver.h"

#include <vector>

#include <commctrl.h>

#include "support/win32/png_file.h"

namespace {

struct Search {
    const WindowQuery* query;
    HWND found = nullptr;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    const WindowQuery& q = *search->query;
    if (!IsWindowVisible(window)) return TRUE;
    DWORD processId = 0;
    const DWORD threadId = GetWindowThreadProcessId(window, &processId);
    if ((q.processId && processId != q.processId) || (q.threadId && threadId != q.threadId)) return TRUE;
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    if (q.className && lstrcmpA(name, q.className) != 0) return TRUE;
    if (q.caption && WindowText(window) != q.caption) return TRUE;
    if (!q.anyOwner && GetWindow(window, GW_OWNER) != q.owner) return TRUE;
    search->found = window;
    return FALSE;
}

}  // namespace

HWND FindShownWindow(const WindowQuery& query) {
    Search search{&query};
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND WaitForWindow(const WindowQuery& query, int timeoutMs) {
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindShownWindow(query)) != nullptr; }, timeoutMs);
    if (found) Settle(found);
    return found;
}

bool WaitUntil(const std::function<bool()>& condition, int timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (condition()) return true;
        if (static_cast<int>(GetTickCount() - start) > timeoutMs) return false;
        Sleep(20);
    }
}

void Settle(HWND window) {
    // A thread handles a message sent to it before what waits in its queue, so the
    // first answer may come before a posted click is handled; by the second, the
    // thread has taken that click up and answers when it is done with it.
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &ignored);
    Sleep(20);
    SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &ignored);
}

bool PostClick(HWND dialog, int id) {
    HWND button = GetDlgItem(dialog, id);
    if (!button || !IsWindowEnabled(button)) return false;
    return PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button)) != 0;
}

bool PostButtonClick(HWND dialog, int id) {
    HWND button = GetDlgItem(dialog, id);
    if (!button || !IsWindowEnabled(button)) return false;
    return PostMessageA(button, BM_CLICK, 0, 0) != 0;
}

void ClickCloseBox(HWND window) {
    RECT frame;
    GetWindowRect(window, &frame);
    const int x = frame.right - GetSystemMetrics(SM_CXFRAME) - GetSystemMetrics(SM_CXSIZE) / 2;
    const int y = frame.top + GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYSIZE) / 2;
    INPUT mouse[3] = {};
    const DWORD ways[3] = {MOUSEEVENTF_MOVE, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP};
    for (int i = 0; i < 3; ++i) {
        mouse[i].type = INPUT_MOUSE;
        mouse[i].mi.dx = x * 65535 / (GetSystemMetrics(SM_CXSCREEN) - 1);
        mouse[i].mi.dy = y * 65535 / (GetSystemMetrics(SM_CYSCREEN) - 1);
        mouse[i].mi.dwFlags = ways[i] | MOUSEEVENTF_ABSOLUTE;
    }
    SendInput(3, mouse, sizeof(INPUT));
}

int BarPosition(HWND dialog, int id) {
    DWORD_PTR position = 0;
    if (!SendMessageTimeoutA(GetDlgItem(dialog, id), PBM_GETPOS, 0, 0, SMTO_NORMAL, 5000, &position)) return -1;
    return static_cast<int>(position);
}

std::string WindowText(HWND window) {
    char text[512] = {};
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 5000, &ignored);
    return text;
}

std::string ControlText(HWND dialog, int id) { return WindowText(GetDlgItem(dialog, id)); }

bool ControlShown(HWND dialog, int id) {
    return (GetWindowLongA(GetDlgItem(dialog, id), GWL_STYLE) & WS_VISIBLE) != 0;
}

COLORREF ScreenPixel(int x, int y) {
    HDC screen = GetDC(nullptr);
    const COLORREF colour = GetPixel(screen, x, y);
    ReleaseDC(nullptr, screen);
    return colour;
}

bool SaveScreenshot(HWND window, const std::string& path) {
    Settle(window);
    // Whatever waits to be painted is painted now (the window's thread paints it).
    RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    RECT r;
    if (!GetWindowRect(window, &r)) return false;
    const int width = r.right - r.left, height = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
    SelectObject(memory, old);

    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    const int stride = (width * 3 + 3) & ~3;
    std::vector<std::uint8_t> bgr(static_cast<std::size_t>(stride) * height);
    const int rows = GetDIBits(memory, bitmap, 0, height, bgr.data(), &info, DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    if (rows != height) return false;

    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c)
                rgb[(static_cast<std::size_t>(y) * width + x) * 3 + c] = bgr[static_cast<std::size_t>(y) * stride + x * 3 + 2 - c];
    return WritePngFile(path, width, height, rgb);
}

std::string WindowsPathOf(const std::string& unixPath) {
    std::string path = "Z:" + unixPath;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

std::string EnvironmentValue(const char* name) {
    char value[1024] = {};
    const DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
    return length > 0 && length < sizeof value ? std::string(value, length) : std::string();
}
