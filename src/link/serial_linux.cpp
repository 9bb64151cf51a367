// Calls on the line that only Linux has: any line speed through termios2, and
// low-latency mode. Kept apart from <termios.h>, whose declarations clash with
// the kernel's.
#include <asm/termbits.h>
#include <linux/serial.h>
#include <sys/ioctl.h>

#include "link/serial_link_posix.h"

bool SetAnyBaud(int fd, long baudRate) {
    if (baudRate <= 0) return false;
    struct termios2 tio {};
    if (ioctl(fd, TCGETS2, &tio) != 0) return false;
    tio.c_cflag &= ~CBAUD;
    tio.c_cflag |= BOTHER;
    tio.c_cflag &= ~(CBAUD << IBSHIFT);
    tio.c_cflag |= BOTHER << IBSHIFT;
    tio.c_ispeed = static_cast<speed_t>(baudRate);
    tio.c_ospeed = static_cast<speed_t>(baudRate);
    return ioctl(fd, TCSETS2, &tio) == 0;
}

long ReadLineBaud(int fd) {
    struct termios2 tio {};
    if (ioctl(fd, TCGETS2, &tio) != 0) return -1;
    return static_cast<long>(tio.c_ospeed);
}

// USB-serial adapters (ftdi_sio and the like) hold received bytes for a latency
// timer of 16 ms by default; low-latency mode passes them on at once.
LowLatency RequestLowLatency(int fd) {
    struct serial_struct info {};
    if (ioctl(fd, TIOCGSERIAL, &info) != 0) return LowLatency::NotSupported;
    if (info.flags & ASYNC_LOW_LATENCY) return LowLatency::AlreadyOn;
    info.flags |= ASYNC_LOW_LATENCY;
    return ioctl(fd, TIOCSSERIAL, &info) == 0 ? LowLatency::TurnedOn : LowLatency::Refused;
}
