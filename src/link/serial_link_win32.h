// COM ports of Windows, through the Win32 communications functions.
#pragma once

#include <windows.h>

#include "link/serial_link.h"

class Win32SerialBackend final : public SerialBackend {
public:
    ~Win32SerialBackend() override { Close(); }

    OpenStatus Open(const std::string& portName, std::int32_t baudRate) override;
    void ApplyTimeouts(const LinkTimeouts& timeouts) override;
    int Read(std::uint8_t* buffer, int count) override;
    int Write(const std::uint8_t* buffer, int count) override;
    void Close() override;

    HANDLE Handle() const { return handle_; }
    // The device state the last open handed to SetCommState.
    const DCB& AppliedState() const { return dcb_; }

private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
    DCB dcb_{};
};

// The name CreateFileA is given for a port name: COM10 and above only exist in the
// device namespace (\\.\COM10); every other name is used as it stands.
std::string Win32DevicePath(const std::string& portName);
