// The one open serial port of a session.
//
// A session opens it with OpenSerialLink (port name and line speed from its
// settings), chooses time-out profiles with SetLinkTimeouts, reads and writes single
// bytes and whole packets, and closes it with CloseSerialLink on every way out. Reads
// and writes are judged only by the byte counts they return. Each of these takes the
// session, whose value holds the port's backend and its state.
//
// A read whose total is longer than ReadSliceMs waits in slices of at most that
// long while no byte has come, with a pump of the user interface and a test of the
// user's Cancel before each further slice, so that the user is heard during a long
// wait; together the slices keep the read's total and its byte count, and once
// bytes come the read goes on to its count or its total as one read would.
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

struct Session;

// A backend of this platform's own serial ports, one a session.
std::unique_ptr<SerialBackend> MakePlatformSerialBackend();

// Opens the port named in the session's settings. On failure the user has been told
// why, in one of the three port-opening messages (owned by the main window), and the
// outcome says so.
bool OpenSerialLink(Session& session);

// Sets the read total (and the write total) in the caller's record, multipliers 0,
// other fields as the record holds them, and applies the whole record.
void SetLinkTimeouts(Session& session, LinkTimeouts& record, std::uint32_t readTotalMs);
void SetLinkTimeouts(Session& session, LinkTimeouts& record, std::uint32_t readTotalMs, std::uint32_t writeTotalMs);

// The longest wait of a read between two tests of the user's input.
constexpr std::uint32_t ReadSliceMs = 250;

// Reads under the record applied last: its total is constant + multiplier x count.
// A read cut short by Cancel returns what it has (0 when nothing came).
int ReadLink(Session& session, std::uint8_t* buffer, int count);
// The total such a read of `count` bytes waits under the record applied last.
std::uint64_t ReadLinkTotalMs(const Session& session, int count);
// The same read with a total of its own (0: without end).
int ReadLinkWithin(Session& session, std::uint8_t* buffer, int count, std::uint64_t totalMs);
inline int ReadLinkByte(Session& session, std::uint8_t* byte) { return ReadLink(session, byte, 1); }
int WriteLink(Session& session, const std::uint8_t* buffer, int count);
inline int WriteLinkByte(Session& session, std::uint8_t byte) { return WriteLink(session, &byte, 1); }

void CloseSerialLink(Session& session);

// A read or write total of `totalMs`, made long enough for `bytes` bytes to cross the
// line at the session's line speed with a margin (their wire time x 5/4 + 100 ms). At
// 115200 bit/s the totals of the transfers stand as they are.
std::uint32_t AtLeastWireTime(const Session& session, std::uint32_t totalMs, int bytes);

// The time a write without a write total may take: 5 s beyond the wire time of its
// `bytes` at `baudRate` (10 bits a byte), so that no write blocks for ever.
std::uint64_t UnboundedWriteLimitMs(int bytes, long baudRate);

// True once the open port's device has gone away.
bool LinkLost(const Session& session);

// The test every wait makes between its reads: true when the user cancelled, or when
// the port has gone away, which is then reported once ("Lost connection to COM
// port", caption "Error"). The session then ends as for a failure.
bool TransferStopped(Session& session);
// Only the second half of that test: true when the port is gone, reported once.
bool ReportIfLinkLost(Session& session);
