// Platforms without a call for arbitrary line speeds: only the termios table.
#include <termios.h>

bool SetAnyBaud(int, long) { return false; }

long ReadLineBaud(int fd) {
    termios tio{};
    if (tcgetattr(fd, &tio) != 0) return -1;
    return static_cast<long>(cfgetospeed(&tio));
}

#include "link/serial_link_posix.h"

LowLatency RequestLowLatency(int) { return LowLatency::NotSupported; }
