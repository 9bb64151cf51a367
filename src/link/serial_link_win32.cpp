#include "link/serial_link_win32.h"

#include <cctype>
#include <cstring>

std::string Win32DevicePath(const std::string& portName) {
    if (portName.size() > 4 && _strnicmp(portName.c_str(), "COM", 3) == 0) {
        bool digits = true;
        for (std::size_t i = 3; i < portName.size(); ++i)
            digits = digits && std::isdigit(static_cast<unsigned char>(portName[i]));
        if (digits) return "\\\\.\\" + portName;
    }
    return portName;
}

bool IsDeviceLostError(DWORD error) {
    switch (error) {
    case ERROR_ACCESS_DENIED:
    case ERROR_INVALID_HANDLE:
    case ERROR_BAD_COMMAND:
    case ERROR_GEN_FAILURE:
    case ERROR_FILE_NOT_FOUND:
    case ERROR_DEV_NOT_EXIST:
    case ERROR_DEVICE_NOT_CONNECTED:
    case ERROR_DEVICE_REMOVED:
    case ERROR_OPERATION_ABORTED:
    case ERROR_BROKEN_PIPE:
    case ERROR_NOT_READY:
        return true;
    default:
        return false;
    }
}

SerialBackend::OpenStatus Win32SerialBackend::Open(const std::string& portName, std::int32_t baudRate) {
    Close();
    openFailure_ = OpenFailure{};
    HANDLE h = CreateFileA(Win32DevicePath(portName).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        openFailure_ = {static_cast<int>(error), error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION};
        return OpenStatus::CreateFailed;
    }

    dcb_ = DCB{};
    dcb_.DCBlength = sizeof dcb_;
    if (!GetCommState(h, &dcb_)) {
        openFailure_ = {static_cast<int>(GetLastError()), false};
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
        openFailure_ = {static_cast<int>(GetLastError()), false};
        CloseHandle(h);
        return OpenStatus::SetStateFailed;
    }
    handle_ = h;
    lost_ = false;
    record_ = inForce_ = COMMTIMEOUTS{};
    return OpenStatus::Ok;
}

void Win32SerialBackend::SetTimeouts(const COMMTIMEOUTS& timeouts) {
    if (std::memcmp(&timeouts, &inForce_, sizeof timeouts) == 0) return;
    SetCommTimeouts(handle_, const_cast<COMMTIMEOUTS*>(&timeouts));  // result not consulted
    inForce_ = timeouts;
}

void Win32SerialBackend::ApplyTimeouts(const LinkTimeouts& t) {
    if (handle_ == INVALID_HANDLE_VALUE) return;
    record_.ReadIntervalTimeout = t.ReadIntervalTimeout;
    record_.ReadTotalTimeoutMultiplier = t.ReadTotalTimeoutMultiplier;
    record_.ReadTotalTimeoutConstant = t.ReadTotalTimeoutConstant;
    record_.WriteTotalTimeoutMultiplier = t.WriteTotalTimeoutMultiplier;
    record_.WriteTotalTimeoutConstant = t.WriteTotalTimeoutConstant;
    SetCommTimeouts(handle_, &record_);  // applied whole, as given; result not consulted
    inForce_ = record_;
}

int Win32SerialBackend::Read(std::uint8_t* buffer, int count, std::uint32_t totalMs) {
    if (handle_ == INVALID_HANDLE_VALUE || count <= 0 || lost_) return 0;
    COMMTIMEOUTS timeouts = inForce_;
    timeouts.ReadIntervalTimeout = record_.ReadIntervalTimeout;
    timeouts.ReadTotalTimeoutMultiplier = 0;
    timeouts.ReadTotalTimeoutConstant = totalMs;
    SetTimeouts(timeouts);
    DWORD got = 0;
    if (!ReadFile(handle_, buffer, static_cast<DWORD>(count), &got, nullptr)) {
        lost_ = IsDeviceLostError(GetLastError());
    } else if (got < static_cast<DWORD>(count)) {
        // A read that timed out: a silent line, or a device that is gone (some
        // drivers, and Wine, tell only when asked for the port's state).
        DWORD errors = 0;
        COMSTAT status;
        lost_ = !ClearCommError(handle_, &errors, &status) && IsDeviceLostError(GetLastError());
    }
    return static_cast<int>(got);
}

int Win32SerialBackend::Write(const std::uint8_t* buffer, int count) {
    if (handle_ == INVALID_HANDLE_VALUE || count <= 0 || lost_) return 0;
    if (record_.WriteTotalTimeoutMultiplier == 0 && record_.WriteTotalTimeoutConstant == 0) {
        // No write total given: this write still never blocks for ever.
        COMMTIMEOUTS bounded = record_;
        bounded.WriteTotalTimeoutConstant = static_cast<DWORD>(UnboundedWriteLimitMs(count, static_cast<long>(dcb_.BaudRate)));
        SetTimeouts(bounded);
    } else {
        SetTimeouts(record_);
    }
    DWORD done = 0;
    if (!WriteFile(handle_, buffer, static_cast<DWORD>(count), &done, nullptr)) lost_ = IsDeviceLostError(GetLastError());
    return static_cast<int>(done);
}

void Win32SerialBackend::Close() {
    if (handle_ == INVALID_HANDLE_VALUE) return;
    CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
}
