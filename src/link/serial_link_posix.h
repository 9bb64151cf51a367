// Serial ports of Linux and macOS: the port name is a device path such as
// /dev/ttyUSB0 or a pseudo-terminal.
#pragma once

#include "link/serial_link.h"

class PosixSerialBackend final : public SerialBackend {
public:
    ~PosixSerialBackend() override { Close(); }

    OpenStatus Open(const std::string& portName, std::int32_t baudRate) override;
    void ApplyTimeouts(const LinkTimeouts& timeouts) override { timeouts_ = timeouts; }
    int Read(std::uint8_t* buffer, int count) override;
    int Write(const std::uint8_t* buffer, int count) override;
    void Close() override;

    int Descriptor() const { return fd_; }

private:
    int fd_ = -1;
    LinkTimeouts timeouts_;
};

// Line speed through the speed table of termios; false when the rate is not in it.
bool SetStandardBaud(void* termiosRecord, long baudRate);
// Any line speed (Linux termios2); false where the platform has no such call.
bool SetAnyBaud(int fd, long baudRate);
// The output speed the driver holds, in bits per second (-1 when unknown).
long ReadLineBaud(int fd);
