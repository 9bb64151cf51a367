// Stop-and-wait round trips over a pty: one request byte out, one 2069-byte data
// packet back, as a download does for every packet. Measures SerialLink against a
// bare poll/read loop on the same kind of pty, side by side in one run, and prints
// both rates and their ratio.
//
//   link_roundtrip [ROUND_TRIPS]   (default 1000)
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "app/config/link_settings.h"
#include "box/pty_device.h"
#include "link/packet.h"
#include "link/serial_link.h"

namespace {

using Clock = std::chrono::steady_clock;

// The far end: answers every byte it reads with one data packet.
class Answerer {
public:
    Answerer() : packet_(DataPacketSize, 0x5A), thread_([this] { Run(); }) {}
    ~Answerer() {
        stop_ = true;
        thread_.join();
    }
    const std::string& Path() const { return pty_.SlavePath(); }

private:
    void Run() {
        while (!stop_) {
            pollfd p{pty_.Master(), POLLIN, 0};
            if (poll(&p, 1, 50) <= 0 || !(p.revents & POLLIN)) continue;
            unsigned char request[64];
            const ssize_t n = read(pty_.Master(), request, sizeof request);
            for (ssize_t i = 0; i < n; ++i) pty_.WriteAll(packet_.data(), packet_.size());
        }
    }
    PtyDevice pty_;
    std::vector<std::uint8_t> packet_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

double ThroughSerialLink(const std::string& path, int trips) {
    LinkSettings.PortName = path;
    if (!OpenSerialLink()) std::exit(1);
    LinkTimeouts record;
    SetLinkTimeouts(record, 1000, 1000);
    std::uint8_t buffer[PacketBufferSize];
    const auto start = Clock::now();
    for (int i = 0; i < trips; ++i) {
        WriteLinkByte(ENQ);
        if (ReadLink(buffer, DataPacketSize) != DataPacketSize) std::exit(1);
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    CloseSerialLink();
    return seconds;
}

double ThroughBareLoop(const std::string& path, int trips) {
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    termios tio{};
    tcgetattr(fd, &tio);
    cfmakeraw(&tio);
    tcsetattr(fd, TCSANOW, &tio);
    std::uint8_t buffer[PacketBufferSize];
    const auto start = Clock::now();
    for (int i = 0; i < trips; ++i) {
        const std::uint8_t request = ENQ;
        while (write(fd, &request, 1) != 1) {}
        int got = 0;
        while (got < DataPacketSize) {
            pollfd p{fd, POLLIN, 0};
            poll(&p, 1, 1000);
            const ssize_t r = read(fd, buffer + got, DataPacketSize - got);
            if (r > 0) got += static_cast<int>(r);
        }
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    close(fd);
    return seconds;
}

}  // namespace

int main(int argc, char** argv) {
    const int trips = argc > 1 ? std::atoi(argv[1]) : 1000;
    Answerer linkPeer, barePeer;
    // Interleaved rounds, so both sides meet the same machine load.
    const int rounds = 10;
    double linkSeconds = 0, bareSeconds = 0;
    ThroughSerialLink(linkPeer.Path(), 20);  // warm-up
    ThroughBareLoop(barePeer.Path(), 20);
    for (int r = 0; r < rounds; ++r) {
        linkSeconds += ThroughSerialLink(linkPeer.Path(), trips / rounds);
        bareSeconds += ThroughBareLoop(barePeer.Path(), trips / rounds);
    }
    const int done = trips / rounds * rounds;
    const double linkRate = done / linkSeconds, bareRate = done / bareSeconds;
    std::printf("round trips: %d each (1 byte out, %d bytes back, over a pty)\n", done, DataPacketSize);
    std::printf("SerialLink: %8.0f round trips/s\n", linkRate);
    std::printf("bare loop:  %8.0f round trips/s\n", bareRate);
    std::printf("ratio (bare rate / SerialLink rate): %.3f\n", bareRate / linkRate);
    return 0;
}
