// A pseudo-terminal for link tests: the test holds the master side, the link opens
// the slave side by its path.
#pragma once

#include <cstdint>
#include <vector>

#include "box/pty_device.h"

class PtyPair : public PtyDevice {
public:
    void WriteAll(const std::vector<std::uint8_t>& bytes);
    // Reads until `count` bytes arrived or `timeoutMs` passed.
    std::vector<std::uint8_t> ReadUpTo(std::size_t count, int timeoutMs);
};
