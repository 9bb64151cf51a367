#include "link/serial_link.h"

std::uint64_t UnboundedWriteLimitMs(int bytes, long baudRate) {
    const std::uint64_t wire = baudRate > 0 ? (std::uint64_t(bytes) * 10000 + std::uint64_t(baudRate) - 1) /
                                                  std::uint64_t(baudRate)
                                            : 0;
    return 5000 + wire;
}
