// Drives the emulated box by hand through the virtual link, as a test script.
#pragma once

#include "box/box.h"
#include "box/virtual_link.h"

struct BoxScript {
    explicit BoxScript(box::Box& b) : link(b) { link.Open("virtual", 115200); }

    // One read of up to `count` bytes under a read total of `ms`.
    box::Bytes Read(int count, std::uint32_t ms) {
        box::Bytes bytes(static_cast<std::size_t>(count));
        bytes.resize(static_cast<std::size_t>(link.Read(bytes.data(), count, ms)));
        return bytes;
    }
    void Write(const box::Bytes& bytes) { link.Write(bytes.data(), static_cast<int>(bytes.size())); }
    void Send(std::uint8_t byte) { Write({byte}); }
    // Reads single bytes until `byte` comes (true) or `ms` pass without it.
    bool WaitFor(std::uint8_t byte, std::uint32_t ms) {
        const box::Micros end = link.Now() + box::Micros{ms} * 1000;
        while (link.Now() < end) {
            const auto b = Read(1, static_cast<std::uint32_t>((end - link.Now() + 999) / 1000));
            if (!b.empty() && b[0] == byte) return true;
        }
        return false;
    }
    double Seconds() const { return static_cast<double>(link.Now()) / 1e6; }

    box::VirtualLink link;
};
