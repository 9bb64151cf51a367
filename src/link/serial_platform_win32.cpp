#include "link/serial_link_win32.h"

std::unique_ptr<SerialBackend> MakePlatformSerialBackend() { return std::make_unique<Win32SerialBackend>(); }
