#include "link/serial_link_win32.h"

#include <cctype>

std::string Win32DevicePath(const std::string& portName) {
    if (portName.size() > 4 && _strnicmp(portName.c_str(), "COM", 3) == 0) {
        bool digits = true;
        for (std::size_t i = 3; i < portName.size(); ++i)
            digits = digits && std::isdigit(static_cast<unsigned char>(portName[i]));
        if (digits) return "\\\\.\\" + portName;
    }
    return portName;
}

SerialBackend::OpenStatus Win32SerialBackend::Open(const std::string& portName, std::int32_t baudRate) {
    Close();
    HANDLE h = CreateFileA(Win32DevicePath(portName).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return OpenStatus::CreateFailed;

    dcb_ = DCB{};
    dcb_.DCBlength = sizeof dcb_;
    if (!GetCommState(h, &dcb_)) {
        CloseHandle(h);
        return OpenStatus::GetStateFailed;
    }
    // Only these fields change; every other one stays as the driver reported it.
    dcb_.BaudRate = static_cast<DWORD>(baudRate);
    dcb_.ByteSize = 8;
    dcb_.Parity = NOPARITY;
    dcb_.StopBits = ONESTOPBIT;
    dcb_.fBinary = TRUE;
    dcb_.fDtrControl = DTR_CONTROL_DISABLE;
    dcb_.fRtsControl = RTS_CONTROL_DISABLE;
    if (!SetCommState(h, &dcb_)) {
        CloseHandle(h);
        return OpenStatus::SetStateFailed;
    }
    handle_ = h;
    return OpenStatus::Ok;
}

void Win32SerialBackend::ApplyTimeouts(const LinkTimeouts& t) {
    if (handle_ == INVALID_HANDLE_VALUE) return;
    COMMTIMEOUTS ct{};
    ct.ReadIntervalTimeout = t.ReadIntervalTimeout;
    ct.ReadTotalTimeoutMultiplier = t.ReadTotalTimeoutMultiplier;
    ct.ReadTotalTimeoutConstant = t.ReadTotalTimeoutConstant;
    ct.WriteTotalTimeoutMultiplier = t.WriteTotalTimeoutMultiplier;
    ct.WriteTotalTimeoutConstant = t.WriteTotalTimeoutConstant;
    SetCommTimeouts(handle_, &ct);  // result not consulted
}

int Win32SerialBackend::Read(std::uint8_t* buffer, int count) {
    if (handle_ == INVALID_HANDLE_VALUE || count <= 0) return 0;
    DWORD got = 0;
    ReadFile(handle_, buffer, static_cast<DWORD>(count), &got, nullptr);
    return static_cast<int>(got);
}

int Win32SerialBackend::Write(const std::uint8_t* buffer, int count) {
    if (handle_ == INVALID_HANDLE_VALUE || count <= 0) return 0;
    DWORD done = 0;
    WriteFile(handle_, buffer, static_cast<DWORD>(count), &done, nullptr);
    return static_cast<int>(done);
}

void Win32SerialBackend::Close() {
    if (handle_ == INVALID_HANDLE_VALUE) return;
    CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
}
