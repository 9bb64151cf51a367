// A serial link to the emulated box on a virtual clock. A read with read total T
// returns what the box has put on the line by then, and the clock moves on by the
// time the read waited; nothing sleeps. Writes reach the box at once (or after
// `byteTime` per byte) and take no time of the caller's.
#pragma once

#include <string>
#include <vector>

#include "box/box.h"
#include "link/serial_link.h"

namespace box {

class VirtualLink final : public SerialBackend {
public:
    explicit VirtualLink(Box& box) : box_(box) {}

    OpenStatus Open(const std::string& portName, std::int32_t baudRate) override;
    void ApplyTimeouts(const LinkTimeouts& timeouts) override;
    int Read(std::uint8_t* buffer, int count, std::uint32_t totalMs) override;
    int Write(const std::uint8_t* buffer, int count) override;
    void Close() override;
    bool Lost() const override { return open_ && now_ >= loseAt; }

    Micros Now() const { return now_; }
    bool IsOpen() const { return open_; }

    // Failures to inject.
    OpenStatus openResult = OpenStatus::Ok;
    bool refuseWrites = false;        // no write takes a byte
    int refuseWritesFrom = 0;         // writes of this many bytes or more take none (0: off)
    Micros byteTime = 0;              // the tool's bytes take this long each to reach the box
    Micros unboundedReadLimit = 3'600'000'000;  // a read without time-out gives up after this
    Micros loseAt = kNever;           // the device goes away then (unplugged): reads and writes fail at once

    // What the tool did, in order.
    struct Event {
        enum Kind { Opened, Closed, Timeouts, Wrote, ReadBytes } kind;
        Micros at;
        Bytes bytes;            // written or read
        int requested = 0;      // bytes a read asked for
        std::uint32_t readTotal = 0, writeTotal = 0;
    };
    std::vector<Event> log;
    bool unboundedReadGaveUp = false;

    // Times of the one-byte writes of `byte`.
    std::vector<Micros> WritesOf(std::uint8_t byte) const;
    // Read totals applied, in order (write total appended as "/W" when given).
    std::vector<std::string> Profiles() const;
    int Count(Event::Kind kind) const;

private:
    Box& box_;
    Micros now_ = 0;
    bool open_ = false;
};

}  // namespace box
