// Serial ports of Linux and macOS: the port name is a device path such as
// /dev/ttyUSB0 or a pseudo-terminal.
#pragma once

#include <chrono>
#include <functional>

#include "link/serial_link.h"

enum class LowLatency { NotSupported, AlreadyOn, TurnedOn, Refused };

class PosixSerialBackend final : public SerialBackend {
public:
    ~PosixSerialBackend() override { Close(); }

    OpenStatus Open(const std::string& portName, std::int32_t baudRate) override;
    void ApplyTimeouts(const LinkTimeouts& timeouts) override { timeouts_ = timeouts; }
    int Read(std::uint8_t* buffer, int count) override;
    int Write(const std::uint8_t* buffer, int count) override;
    void Close() override;
    bool Lost() const override { return lost_; }

    int Descriptor() const { return fd_; }
    LowLatency LowLatencyMode() const { return lowLatency_; }
    // Told, after each successful open, what was done to the line beyond the settings.
    std::function<void(const std::string&)> onOpened;
    // When set, a read waiting for bytes returns with what it has as soon as this
    // says so (the command line's Ctrl-C during a 10 s or 15 s handshake read).
    std::function<bool()> abandonReads;

    // Why the last open failed: the system's error number (0: none) and whether the
    // port was held by another program.
    int OpenErrno() const { return openErrno_; }
    bool OpenBusy() const { return openBusy_; }

private:
    using Clock = std::chrono::steady_clock;
    void SleepWhileTheLineCarries(Clock::time_point start, int got, int missing, bool bounded,
                                  Clock::time_point deadline) const;

    int fd_ = -1;
    int openErrno_ = 0;
    bool openBusy_ = false;
    long baudRate_ = 0;
    bool lost_ = false;  // hung up, or the device went away
    LinkTimeouts timeouts_;
    LowLatency lowLatency_ = LowLatency::NotSupported;
};

// Line speed through the speed table of termios; false when the rate is not in it.
bool SetStandardBaud(void* termiosRecord, long baudRate);
// Any line speed (Linux termios2); false where the platform has no such call.
bool SetAnyBaud(int fd, long baudRate);
// The output speed the driver holds, in bits per second (-1 when unknown).
long ReadLineBaud(int fd);
// Asks the driver to pass received bytes on without a latency timer, where it can.
LowLatency RequestLowLatency(int fd);
