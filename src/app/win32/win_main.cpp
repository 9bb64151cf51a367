// Program entry: registers the application's window class, runs the main window
// and then the message loop until the quit request, whose code is the exit code.
#include <windows.h>

#include "app/win32/main_window.h"
#include "app/win32/priority_win32.h"
#include "app/win32/program_instance.h"
#include "app/win32/shell_ids.h"
#include "app/win32/transfer_state.h"

namespace {

constexpr const char* ClassName = "Kestrivane";

// No window of this class is ever made (the main window is a dialog); it answers
// as a main window would.
LRESULT CALLBACK ClassWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CLOSE:
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_CREATE:
    case WM_COMMAND:
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    ProgramInstance = instance;
    TransferPriority = &Win32PriorityHook();

    WNDCLASSA cls = {};
    cls.style = CS_VREDRAW | CS_HREDRAW;
    cls.lpfnWndProc = ClassWindowProc;
    cls.hInstance = instance;
    cls.hIcon = LoadIconA(instance, ClassName);
    cls.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    cls.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    cls.lpszMenuName = ClassName;
    cls.lpszClassName = ClassName;
    if (!RegisterClassA(&cls)) {
        MessageBoxA(nullptr, "Failed to register Window Class", ClassName, MB_OK | MB_ICONERROR);
        return 0;
    }

    UploadWarningPending = true;
    // The dialog's own loop ends at the quit request and leaves it in the queue.
    DialogBoxParamA(instance, MAKEINTRESOURCEA(MainWindowDialogId), nullptr, MainWindowProc, 0);

    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}
