// Line speeds outside the termios speed table, through Linux's termios2. Kept apart
// from <termios.h>, whose declarations clash with the kernel's.
#include <asm/termbits.h>
#include <sys/ioctl.h>

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
