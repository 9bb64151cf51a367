#include "link/serial_link_posix.h"

SerialBackend& PlatformSerialBackend() {
    static PosixSerialBackend backend;  // the process's serial port
    return backend;
}
