// COM ports of Windows, through the Win32 communications functions.
#pragma once

#include <windows.h>

#include "link/serial_link.h"

class Win32SerialBackend final : public SerialBackend {
public:
    ~Win32SerialBackend() override { Close(); }

    OpenStatus Open(const std::string& portName, std::int32_t baudRate) override;
    void ApplyTimeouts(const LinkTimeouts& timeouts) override;
    int Read(std::uint8_t* buffer, int count, std::uint32_t totalMs) override;
    int Write(const std::uint8_t* buffer, int count) override;
    void Close() override;
    bool Lost() const override { return lost_; }
    OpenFailure LastOpenFailure() const override { return openFailure_; }

    HANDLE Handle() const { return handle_; }
    // The device state the last open handed to SetCommState.
    const DCB& AppliedState() const { return dcb_; }

private:
    // Sets the port's time-outs when they differ from those in force.
    void SetTimeouts(const COMMTIMEOUTS& timeouts);

    HANDLE handle_ = INVALID_HANDLE_VALUE;
    DCB dcb_{};
    COMMTIMEOUTS record_{};  // as the session's record gives them
    COMMTIMEOUTS inForce_{};
    OpenFailure openFailure_;
    bool lost_ = false;  // a read or write failed as a vanished device's do
};

// The name CreateFileA is given for a port name: COM10 and above only exist in the
// device namespace (\\.\COM10); every other name is used as it stands.
std::string Win32DevicePath(const std::string& portName);

// True for the errors a read or write on a COM port gives once its device has gone
// (a USB-serial adapter unplugged); a time-out is not one of them.
bool IsDeviceLostError(DWORD error);
