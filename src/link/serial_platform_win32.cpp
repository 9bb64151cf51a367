#include "link/serial_link_win32.h"

SerialBackend& PlatformSerialBackend() {
    static Win32SerialBackend backend;  // the process's COM port
    return backend;
}
