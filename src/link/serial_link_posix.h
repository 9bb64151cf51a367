// Serial ports of Linux and macOS: the port name is a device path such as
// /dev/ttyUSB0 or a pseudo-terminal.
#pragma once

#include <chrono>

#include "link/serial_link.h"

enum class LowLatency { NotSupported, AlreadyOn, TurnedOn, Refused };

class PosixSerialBackend final : public SerialBackend {
public:
    ~PosixSerialBackend() override { Close(); }

    OpenStatus Open(const std::string& portName, std::int32_t baudRate) override;
    void ApplyTimeouts(const LinkTimeouts& timeouts) override { timeouts_ = timeouts; }
    int Read(std::uint8_t* buffer, int count, std::uint32_t totalMs) override;
    int Write(const std::uint8_t* buffer, int count) override;
    void Close() override;
    bool Lost() const override { return lost_; }

    OpenFailure LastOpenFailure() const override { return openFailure_; }
    std::string LineNote() const override { return lineNote_; }

    int Descriptor() const { return fd_; }

private:
    using Clock = std::chrono::steady_clock;
    void SleepWhileTheLineCarries(Clock::time_point start, int got, int missing, bool bounded,
                                  Clock::time_point deadline) const;

    int fd_ = -1;
    OpenFailure openFailure_;
    std::string lineNote_;
    long baudRate_ = 0;
    bool lost_ = false;  // hung up, or the device went away
    LinkTimeouts timeouts_;
};

// Line speed through the speed table of termios; false when the rate is not in it.
bool SetStandardBaud(void* termiosRecord, long baudRate);
// Any line speed (Linux termios2); false where the platform has no such call.
bool SetAnyBaud(int fd, long baudRate);
// The output speed the driver holds, in bits per second (-1 when unknown).
long ReadLineBaud(int fd);
// Asks the driver to pass received bytes on without a latency timer, where it can.
LowLatency RequestLowLatency(int fd);
