#include "link/serial_link_posix.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

// Configures the line: raw 8N1, receiver on, modem lines ignored, no flow control
// of any kind. Returns the failing step, or Ok.
SerialBackend::OpenStatus ConfigureLine(int fd, long baudRate) {
    termios tio{};
    if (tcgetattr(fd, &tio) != 0) return SerialBackend::OpenStatus::GetStateFailed;

    cfmakeraw(&tio);
    tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
    tio.c_cflag |= CS8 | CREAD | CLOCAL;
    tio.c_cc[VMIN] = 1;  // with O_NONBLOCK: an empty line reads as EAGAIN, not as end of file
    tio.c_cc[VTIME] = 0;

    const bool standard = SetStandardBaud(&tio, baudRate);
    if (tcsetattr(fd, TCSANOW, &tio) != 0) return SerialBackend::OpenStatus::SetStateFailed;
    if (!standard && !SetAnyBaud(fd, baudRate)) return SerialBackend::OpenStatus::SetStateFailed;

    // DTR and RTS held off. A pseudo-terminal has no modem lines; that is no error.
    int lines = TIOCM_DTR | TIOCM_RTS;
    (void)ioctl(fd, TIOCMBIC, &lines);
    return SerialBackend::OpenStatus::Ok;
}

enum class Wait { Ready, TimedOut, HungUp };

// Waits until `fd` is ready for `events`, the deadline passes, or the line is gone.
Wait WaitFor(int fd, short events, bool bounded, Clock::time_point deadline) {
    pollfd p{fd, events, 0};
    for (;;) {
        int wait = -1;
        if (bounded) {
            // Round up so the wait never ends a little before the deadline.
            const auto left = std::chrono::duration_cast<std::chrono::microseconds>(deadline - Clock::now()).count();
            if (left <= 0) return Wait::TimedOut;
            wait = static_cast<int>((left + 999) / 1000);
        }
        const int r = poll(&p, 1, wait);
        if (r > 0) return (p.revents & events) ? Wait::Ready : Wait::HungUp;
        if (r < 0 && errno != EINTR) return Wait::HungUp;
    }
}

}  // namespace

SerialBackend::OpenStatus PosixSerialBackend::Open(const std::string& portName, std::int32_t baudRate) {
    Close();
    openFailure_ = OpenFailure{};
    lineNote_.clear();
    const int fd = ::open(portName.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        openFailure_ = {errno, errno == EBUSY};  // EBUSY: another opener holds TIOCEXCL
        return OpenStatus::CreateFailed;
    }
    // Exclusive use, like a COM port opened without sharing: the lock keeps out our
    // own kind (root included), TIOCEXCL every other unprivileged opener.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        openFailure_ = {EBUSY, true};
        ::close(fd);
        return OpenStatus::CreateFailed;
    }
    (void)ioctl(fd, TIOCEXCL);

    const OpenStatus status = ConfigureLine(fd, baudRate);
    if (status != OpenStatus::Ok) {
        openFailure_ = {errno, false};
        (void)ioctl(fd, TIOCNXCL);
        ::close(fd);
        return status;
    }
    fd_ = fd;
    baudRate_ = baudRate;
    lost_ = false;
    timeouts_ = LinkTimeouts{};
    // This protocol waits for every packet before it asks for the next: a 16 ms
    // latency timer costs about a tenth of the line's throughput.
    static const char* const said[] = {"no latency timer to set (not a USB-serial adapter)",
                                       "low-latency mode already on", "low-latency mode turned on",
                                       "the driver refused low-latency mode"};
    lineNote_ = portName + ": " + said[static_cast<int>(RequestLowLatency(fd))];
    return OpenStatus::Ok;
}

int PosixSerialBackend::Read(std::uint8_t* buffer, int count, std::uint32_t totalMs) {
    if (fd_ < 0 || count <= 0 || lost_) return 0;
    const auto start = Clock::now();
    const bool bounded = totalMs != 0;
    const auto deadline = start + std::chrono::milliseconds(totalMs);

    int got = 0;
    bool wasReady = false;  // the last poll said data was there
    while (got < count) {
        const ssize_t r = ::read(fd_, buffer + got, static_cast<std::size_t>(count - got));
        if (r > 0) {
            got += static_cast<int>(r);
            wasReady = false;
            continue;
        }
        if (r < 0 && errno == EINTR) continue;
        const bool nothingYet = (r < 0 && errno == EAGAIN) || (r == 0 && !wasReady);
        if (!nothingYet) {
            // The other end hung up or the device went away (EIO, ENXIO): nothing
            // more can come. Said at once, not taken for a silent line.
            lost_ = true;
            break;
        }
        if (got > 0) SleepWhileTheLineCarries(start, got, count - got, bounded, deadline);
        const Wait w = WaitFor(fd_, POLLIN, bounded, deadline);
        if (w == Wait::Ready) {
            wasReady = true;
            continue;
        }
        if (w == Wait::HungUp) {
            lost_ = true;
            break;
        }
        if (bounded && Clock::now() >= deadline) break;  // the read's total has run out
    }
    return got;
}

// Bytes trickling in at the line's rate (a real serial line): rather than wake for
// every few bytes, sleep until the missing ones can have crossed the line, less a
// millisecond, then wait for them as usual. Bytes that come faster than the line
// could carry them (a pty, a buffered adapter) are read as they come.
void PosixSerialBackend::SleepWhileTheLineCarries(Clock::time_point start, int got, int missing, bool bounded,
                                                  Clock::time_point deadline) const {
    if (baudRate_ <= 0) return;
    const auto now = Clock::now();
    const double elapsed = std::chrono::duration<double>(now - start).count();
    const double lineBytesPerSecond = baudRate_ / 10.0;
    if (elapsed <= 0 || got / elapsed > 2 * lineBytesPerSecond) return;
    const auto lineTime = std::chrono::microseconds(static_cast<long long>(missing * 1e6 / lineBytesPerSecond));
    if (lineTime < std::chrono::milliseconds(3)) return;
    auto until = now + lineTime - std::chrono::milliseconds(1);
    if (bounded && until > deadline) until = deadline;
    std::this_thread::sleep_until(until);
}

int PosixSerialBackend::Write(const std::uint8_t* buffer, int count) {
    if (fd_ < 0 || count <= 0 || lost_) return 0;
    std::uint64_t total = std::uint64_t{timeouts_.WriteTotalTimeoutConstant} +
                          std::uint64_t{timeouts_.WriteTotalTimeoutMultiplier} * count;
    // A write without a write total still never blocks for ever.
    if (total == 0) total = UnboundedWriteLimitMs(count, baudRate_);
    const auto deadline = Clock::now() + std::chrono::milliseconds(total);

    int done = 0;
    while (done < count) {
        const ssize_t r = ::write(fd_, buffer + done, static_cast<std::size_t>(count - done));
        if (r > 0) {
            done += static_cast<int>(r);
            continue;
        }
        if (r < 0 && errno == EINTR) continue;
        const Wait w = r < 0 && errno == EAGAIN ? WaitFor(fd_, POLLOUT, true, deadline) : Wait::HungUp;
        if (w == Wait::Ready) continue;
        lost_ = lost_ || w == Wait::HungUp;
        break;
    }
    return done;
}

void PosixSerialBackend::Close() {
    if (fd_ < 0) return;
    (void)ioctl(fd_, TIOCNXCL);
    ::close(fd_);
    fd_ = -1;
}

bool SetStandardBaud(void* termiosRecord, long baudRate) {
    struct Rate {
        long bits;
        speed_t code;
    };
    static const Rate rates[] = {
        {50, B50}, {75, B75}, {110, B110}, {134, B134}, {150, B150}, {200, B200}, {300, B300},
        {600, B600}, {1200, B1200}, {1800, B1800}, {2400, B2400}, {4800, B4800}, {9600, B9600},
        {19200, B19200}, {38400, B38400}, {57600, B57600}, {115200, B115200}, {230400, B230400},
#ifdef B460800
        {460800, B460800},
#endif
#ifdef B921600
        {921600, B921600},
#endif
    };
    auto* tio = static_cast<termios*>(termiosRecord);
    for (const Rate& r : rates) {
        if (r.bits == baudRate) {
            cfsetispeed(tio, r.code);
            cfsetospeed(tio, r.code);
            return true;
        }
    }
    return false;
}
