// console_screen PROGRAM [ARGS...]: runs PROGRAM in a console of its own and, when it
// ends, writes what that console's screen shows to standard output, one line a row
// (UTF-8, trailing blanks cut). Its exit status is PROGRAM's. For tests of what a
// person at a console sees, sequences the console did not understand included.
#include <windows.h>

#include <string>

namespace {

std::wstring Quoted(const wchar_t* arg) {
    std::wstring q = L"\"";
    for (const wchar_t* c = arg; *c; ++c) q += *c == L'"' ? std::wstring(L"\\\"") : std::wstring(1, *c);
    return q + L"\"";
}

std::string Utf8(const std::wstring& text) {
    std::string out(text.size() * 4 + 1, '\0');
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0],
                                      static_cast<int>(out.size()), nullptr, nullptr);
    out.resize(n > 0 ? n : 0);
    return out;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const HANDLE report = GetStdHandle(STD_OUTPUT_HANDLE);
    if (argc < 2) return 2;
    std::wstring command;
    for (int i = 1; i < argc; ++i) command += (i > 1 ? L" " : L"") + Quoted(argv[i]);

    FreeConsole();
    if (!AllocConsole()) return 2;
    const HANDLE screen = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, OPEN_EXISTING, 0, nullptr);
    STARTUPINFOW start{};
    start.cb = sizeof start;
    PROCESS_INFORMATION child{};
    if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &start, &child)) return 2;
    WaitForSingleObject(child.hProcess, INFINITE);
    DWORD status = 2;
    GetExitCodeProcess(child.hProcess, &status);

    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!GetConsoleScreenBufferInfo(screen, &info)) return 2;
    std::string shown;
    for (SHORT y = 0; y <= info.dwCursorPosition.Y; ++y) {
        std::wstring row(info.dwSize.X, L' ');
        DWORD got = 0;
        ReadConsoleOutputCharacterW(screen, &row[0], info.dwSize.X, COORD{0, y}, &got);
        row.resize(got);
        while (!row.empty() && row.back() == L' ') row.pop_back();
        shown += Utf8(row) + "\n";
    }
    DWORD written = 0;
    WriteFile(report, shown.data(), static_cast<DWORD>(shown.size()), &written, nullptr);
    return static_cast<int>(status);
}
