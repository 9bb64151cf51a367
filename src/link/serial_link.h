// A serial port as a session uses it: one kind of port (a platform's, a pty, the
// emulated box) behind one interface, and the time-out records the session keeps.
// What a session does on its port is in link/session_link.h.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

// A time-out record as the caller keeps it for its whole run. Times are in
// milliseconds; a read or write total is constant + multiplier x byte count, and
// a total of 0 means no time limit.
struct LinkTimeouts {
    std::uint32_t ReadIntervalTimeout = 0;
    std::uint32_t ReadTotalTimeoutMultiplier = 0;
    std::uint32_t ReadTotalTimeoutConstant = 0;
    std::uint32_t WriteTotalTimeoutMultiplier = 0;
    std::uint32_t WriteTotalTimeoutConstant = 0;
};

// Why the last open failed, as far as the platform says.
struct OpenFailure {
    int systemError = 0;  // the platform's error number; 0 when the open succeeded
    bool busy = false;    // another program holds the port
};

// One kind of port (a platform's COM ports, a pty, the emulated box).
class SerialBackend {
public:
    enum class OpenStatus { Ok, CreateFailed, GetStateFailed, SetStateFailed };

    virtual ~SerialBackend() = default;
    // Opens and configures the port: 8N1, binary, no flow control from DTR or RTS.
    // On any failure nothing stays open.
    virtual OpenStatus Open(const std::string& portName, std::int32_t baudRate) = 0;
    virtual void ApplyTimeouts(const LinkTimeouts& timeouts) = 0;
    // Returns when `count` bytes have arrived or `totalMs` has passed since the call
    // (0: no limit); the number of bytes read (0 on any failure).
    virtual int Read(std::uint8_t* buffer, int count, std::uint32_t totalMs) = 0;
    // Returns the number of bytes written (0 on any failure).
    virtual int Write(const std::uint8_t* buffer, int count) = 0;
    virtual void Close() = 0;
    // True once the device has gone away (unplugged, hung up) since it was opened:
    // every read and write then returns 0 at once.
    virtual bool Lost() const { return false; }
    virtual OpenFailure LastOpenFailure() const { return {}; }
    // What the last open did to the line beyond the settings, in words (empty: nothing to say).
    virtual std::string LineNote() const { return {}; }
};

// A backend of this platform's own serial ports, one a session.
std::unique_ptr<SerialBackend> MakePlatformSerialBackend();

// The longest wait of a read between two tests of the user's input.
constexpr std::uint32_t ReadSliceMs = 250;

// The time a write without a write total may take: 5 s beyond the wire time of its
// `bytes` at `baudRate` (10 bits a byte), so that no write blocks for ever.
std::uint64_t UnboundedWriteLimitMs(int bytes, long baudRate);
