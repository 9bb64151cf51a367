// The minimal box: the box's side of both exchanges with as little work as possible,
// so that what is measured is the tool. A header reply is padded ahead of its STX
// to the 3000 bytes the tool's header read asks for, so that read returns at once.
#include <poll.h>
#include <unistd.h>

#include <cstdio>
#include <sstream>

#include "bench/bench_roles.h"
#include "box/pty_device.h"
#include "box/synthetic_image.h"
#include "core/packet.h"

namespace {

struct Timing {
    long packets = 0;
    long long micros = 0;
    BenchClock::time_point first, last;
    long inSection = 0;
    void Request() {
        last = BenchClock::now();
        if (inSection++ == 0) first = last;
    }
    void SectionOver() {
        if (inSection > 1) {
            packets += inSection - 1;
            micros += std::chrono::duration_cast<std::chrono::microseconds>(last - first).count();
        }
        inSection = 0;
    }
};

// Waits for the next time a program opens (or closes) the pty's slave side; false
// after `timeoutMs` without it.
bool AwaitSlave(PtyDevice& pty, bool opened, int timeoutMs = -1) {
    for (int waited = 0; timeoutMs < 0 || waited < timeoutMs; waited += 2) {
        while (const auto event = pty.NextSlaveEvent())
            if ((*event == PtyDevice::SlaveEvent::Opened) == opened) return true;
        usleep(2000);
    }
    return false;
}

// One byte, waiting for it; -1 when the program closed the port.
int NextByte(int fd) {
    std::uint8_t b;
    return ReadExactly(fd, &b, 1, 60000) ? b : -1;
}

// ETB until ACK; `times` ETBs the first time (the opening handshake answers the
// second). Slowly: an ETB the program finds late, behind a packet crossing a paced
// line, would cut the next reply short.
bool Announce(int fd, int times = 1) {
    for (;;) {
        const std::uint8_t etb[2] = {ETB, ETB};
        write(fd, etb, static_cast<std::size_t>(times));
        times = 1;
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 500) > 0) {
            const int b = NextByte(fd);
            if (b == ACK) return true;
            if (b < 0) return false;
        }
    }
}

void ServeDownload(int fd, const box::Image& image, Timing& t) {
    for (SectionKind kind : AllSections) {
        const auto& section = image[kind];
        if (!section || !Announce(fd)) return;
        if (NextByte(fd) != ENQ) return;
        std::vector<std::uint8_t> reply(PacketBufferSize - section->header.size(), 0x00);
        reply.insert(reply.end(), section->header.begin(), section->header.end());
        WriteAllBytes(fd, reply.data(), reply.size());
        for (const auto& packet : section->packets) {
            if (NextByte(fd) != ENQ) return;
            t.Request();
            WriteAllBytes(fd, packet.data(), packet.size());
        }
        t.SectionOver();
    }
}

void ServeUpload(int fd, Timing& t) {
    const std::uint8_t ack = ACK, enq = ENQ;
    write(fd, &ack, 1);
    std::uint8_t buffer[PacketBufferSize];
    for (;;) {
        write(fd, &enq, 1);
        if (!ReadExactly(fd, buffer, 4)) return;
        const unsigned length = PacketPayloadLength(buffer);
        if (length + PacketFramingSize > PacketBufferSize || !ReadExactly(fd, buffer + 4, static_cast<int>(length + 5))) return;
        // The section by the id our made-up images carry in their header's first payload byte.
        const unsigned id = buffer[box::HeaderSectionIdOffset];
        const unsigned count = HeaderPacketCount(
            buffer, id >= 1 && id <= SectionCount ? std::optional(AllSections[id - 1]) : std::nullopt);
        for (unsigned i = 0; i < count; ++i) {
            t.Request();
            write(fd, &enq, 1);
            if (!ReadExactly(fd, buffer, DataPacketSize)) return;
        }
        t.SectionOver();
        const int next = NextByte(fd);  // ETB for another section, ENQ to end
        if (next != ETB) return;
        write(fd, &ack, 1);
    }
}

}  // namespace

int RunMinimalBox(const std::vector<std::string>& args) {
    if (args.empty()) return 2;
    const bool download = args[0] == "download";
    box::SyntheticPlan plan;
    std::stringstream counts(args.size() < 2 ? "64,64,64,64,64" : args[1]);
    std::string item;
    for (int i = 0; i < SectionCount && std::getline(counts, item, ','); ++i) plan.packets[i] = std::stoi(item);
    const box::Image image = box::SyntheticImage(plan);
    PtyDevice pty;
    std::printf("%s\n", pty.SlavePath().c_str());
    std::fflush(stdout);
    const int fd = pty.Master();
    for (;;) {
        AwaitSlave(pty, true);  // a program opens the port
        Timing t;
        if (download) {
            // The opening handshake: ETB until the program has answered the second one.
            if (Announce(fd, 2)) ServeDownload(fd, image, t);
        } else {
            int b;
            while ((b = NextByte(fd)) >= 0 && b != ETB) {
            }
            if (b == ETB) ServeUpload(fd, t);
        }
        // The rest of the session (the closing ENQ of an upload) until the port closes.
        while (!AwaitSlave(pty, false, 10)) {
            std::uint8_t drain[512];
            while (read(fd, drain, sizeof drain) > 0) {
            }
        }
        std::printf("packets %ld us %lld\n", t.packets, t.micros);
        std::fflush(stdout);
    }
}
