// `--trace FILE`: what goes over the serial line, as a person debugging a box reads
// it. Each run begins with a header line (date, version, what runs, port, baud rate,
// settings) and ends with its outcome; between them a line for each control byte
// ("0.009344 > ETB"), each packet or burst ("1.022203 < 2069 bytes: data packet 1 of
// Flash Database, checksum ok") with its whole bytes as hex on the lines below it, a
// line for each step of the session and each time-out profile applied, and one line
// for a silence ("silent for 1.0 s"). The pieces in which one read of the session
// came (a read waits in slices so that Cancel is heard) are joined into one. Times
// are seconds since the port was opened; "<" from the box, ">" to it. Each line is written out as it happens, so a trace survives a crash or
// Ctrl-C; a line that cannot be written is remembered, for the command to say that
// the trace is incomplete. Without --trace nothing of this is in the way.
#pragma once

#include <chrono>
#include <cstdio>
#include <optional>
#include <string>

#include "core/transfer_event.h"
#include "link/serial_link.h"

class TracingBackend final : public SerialBackend {
public:
    // Traces what goes through `inner` into `file` (appended to); the packets of a
    // section are those coming from the box (`download`) or going to it.
    TracingBackend(SerialBackend& inner, std::FILE* file, bool download)
        : inner_(inner), file_(file), download_(download) {}

    OpenStatus Open(const std::string& portName, std::int32_t baudRate) override;
    void ApplyTimeouts(const LinkTimeouts& timeouts) override;
    int Read(std::uint8_t* buffer, int count, std::uint32_t totalMs) override;
    int Write(const std::uint8_t* buffer, int count) override;
    void Close() override;
    bool Lost() const override { return inner_.Lost(); }
    OpenFailure LastOpenFailure() const override { return inner_.LastOpenFailure(); }
    std::string LineNote() const override { return inner_.LineNote(); }

    // The session's step: the packets that follow are counted from its header.
    void Step(TransferStep step, std::optional<SectionKind> section);
    // A line of the command's own ("# ..."), such as the header and the outcome.
    void Note(const std::string& text);

    // The system's error number of the first line that could not be written (0: none).
    int WriteError() const { return writeError_; }

private:
    void Line(const std::string& text);
    // What was read and not yet said, and a silence, said now.
    void Flush();
    void Bytes(char direction, const std::uint8_t* bytes, int count, const std::string& after = {});
    std::string Describe(char direction, const std::uint8_t* bytes, int count);

    SerialBackend& inner_;
    std::FILE* file_;
    bool download_;
    int writeError_ = 0;
    std::chrono::steady_clock::time_point opened_ = std::chrono::steady_clock::now();
    std::optional<SectionKind> section_;  // the section whose packets go now
    bool counting_ = false;               // in a section's packets step
    int packet_ = 0;                      // the next packet's number (0: the header)
    std::string pending_;                 // bytes of a read that may go on in the next piece
    const std::uint8_t* continuesAt_ = nullptr;  // where that piece would go
    int asked_ = 0;                       // bytes that read asked for
    int silentReads_ = 0;                 // reads in a row that found nothing,
    std::uint64_t silentMs_ = 0;          // and how long they waited
};

// Bytes as hex, `perLine` a line, each line after `indent` blanks.
std::string HexLines(const std::uint8_t* bytes, int count, int perLine, int indent);
