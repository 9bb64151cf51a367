#include "link/pty_pair.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <stdexcept>

void PtyPair::WriteAll(const std::vector<std::uint8_t>& bytes) {
    if (!PtyDevice::WriteAll(bytes.data(), bytes.size())) throw std::runtime_error("pty write failed");
}

std::vector<std::uint8_t> PtyPair::ReadUpTo(std::size_t count, int timeoutMs) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::vector<std::uint8_t> out;
    std::uint8_t buf[4096];
    while (out.size() < count) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) break;
        pollfd p{Master(), POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left)) <= 0) break;
        const ssize_t r = read(Master(), buf, std::min(sizeof buf, count - out.size()));
        if (r > 0) out.insert(out.end(), buf, buf + r);
        else if (!(r < 0 && errno == EAGAIN)) break;
    }
    return out;
}
