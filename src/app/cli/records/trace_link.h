// `--trace FILE`: every byte each way on the serial line, as hex, a line per burst,
// with the time since the port opened (microseconds) and the direction ("<" from the
// box, ">" to it), and a line for each time-out profile applied and each read that
// ran out of time. Each line is written out as it happens, so a trace survives a
// crash or Ctrl-C; a line that cannot be written is remembered, for the command to
// say that the trace is incomplete. Without --trace nothing of this is in the way.
#pragma once

#include <chrono>
#include <cstdio>
#include <string>

#include "link/serial_link.h"

class TracingBackend final : public SerialBackend {
public:
    // Traces what goes through `inner` into `file` (appended to).
    TracingBackend(SerialBackend& inner, std::FILE* file) : inner_(inner), file_(file) {}

    OpenStatus Open(const std::string& portName, std::int32_t baudRate) override;
    void ApplyTimeouts(const LinkTimeouts& timeouts) override;
    int Read(std::uint8_t* buffer, int count, std::uint32_t totalMs) override;
    int Write(const std::uint8_t* buffer, int count) override;
    void Close() override;
    bool Lost() const override { return inner_.Lost(); }
    OpenFailure LastOpenFailure() const override { return inner_.LastOpenFailure(); }
    std::string LineNote() const override { return inner_.LineNote(); }

    // The system's error number of the first line that could not be written (0: none).
    int WriteError() const { return writeError_; }

private:
    void Line(const std::string& text);
    void Bytes(char direction, const std::uint8_t* bytes, int count, const std::string& after = {});

    SerialBackend& inner_;
    std::FILE* file_;
    int writeError_ = 0;
    std::chrono::steady_clock::time_point opened_ = std::chrono::steady_clock::now();
};
