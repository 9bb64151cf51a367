#include "app/cli/records/trace_link.h"

#include <cerrno>

namespace {

const char* const OpenResults[] = {"ok", "cannot be opened", "state not read", "state not set"};

}  // namespace

void TracingBackend::Line(const std::string& text) {
    const auto since = std::chrono::steady_clock::now() - opened_;
    const bool written =
        std::fprintf(file_, "%lld %s\n",
                     static_cast<long long>(std::chrono::duration_cast<std::chrono::microseconds>(since).count()),
                     text.c_str()) >= 0;
    if ((std::fflush(file_) != 0 || !written) && !writeError_) writeError_ = errno ? errno : EIO;
}

void TracingBackend::Bytes(char direction, const std::uint8_t* bytes, int count, const std::string& after) {
    std::string text(1, direction);
    text.reserve(static_cast<std::size_t>(count) * 3 + 2 + after.size());
    static const char hex[] = "0123456789ABCDEF";
    for (int i = 0; i < count; ++i) {
        text += ' ';
        text += hex[bytes[i] >> 4];
        text += hex[bytes[i] & 0x0F];
    }
    Line(text + after);
}

SerialBackend::OpenStatus TracingBackend::Open(const std::string& portName, std::int32_t baudRate) {
    opened_ = std::chrono::steady_clock::now();
    const OpenStatus status = inner_.Open(portName, baudRate);
    Line("open " + portName + " at " + std::to_string(baudRate) + " bit/s: " + OpenResults[static_cast<int>(status)]);
    return status;
}

void TracingBackend::ApplyTimeouts(const LinkTimeouts& t) {
    inner_.ApplyTimeouts(t);
    Line("time-outs: read " + std::to_string(t.ReadTotalTimeoutConstant) + " ms, write " +
         std::to_string(t.WriteTotalTimeoutConstant) + " ms");
}

int TracingBackend::Read(std::uint8_t* buffer, int count, std::uint32_t totalMs) {
    const int got = inner_.Read(buffer, count, totalMs);
    if (got == count) {
        Bytes('<', buffer, got);
    } else {
        const std::string timedOut = "read timed out: " + std::to_string(got) + " of " + std::to_string(count) +
                                     " bytes in " + std::to_string(totalMs) + " ms";
        if (got > 0) Bytes('<', buffer, got, "  (" + timedOut + ")");
        else Line(inner_.Lost() ? "read failed: the port is gone" : timedOut);
    }
    return got;
}

int TracingBackend::Write(const std::uint8_t* buffer, int count) {
    const int done = inner_.Write(buffer, count);
    Bytes('>', buffer, done, done < count ? "  (" + std::to_string(count - done) + " bytes not written)" : "");
    return done;
}

void TracingBackend::Close() {
    inner_.Close();
    Line("close");
}
