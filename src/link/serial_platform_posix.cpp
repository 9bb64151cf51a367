#include "link/serial_link_posix.h"

std::unique_ptr<SerialBackend> MakePlatformSerialBackend() { return std::make_unique<PosixSerialBackend>(); }
