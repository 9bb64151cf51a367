// The bare client: the tool's exchanges with nothing around them, against which
// the tool is measured. It stores and reads the same files.
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>

#include "bench/bench_roles.h"
#include "core/packet.h"
#include "core/section_kind.h"

int OpenRaw(const std::string& path) {
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    termios tio{};
    tcgetattr(fd, &tio);
    cfmakeraw(&tio);
    tcsetattr(fd, TCSANOW, &tio);
    return fd;
}

bool ReadExactly(int fd, std::uint8_t* buffer, int count, int timeoutMs) {
    int got = 0;
    while (got < count) {
        const ssize_t r = read(fd, buffer + got, static_cast<std::size_t>(count - got));
        if (r > 0) {
            got += static_cast<int>(r);
            continue;
        }
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, timeoutMs) <= 0 || !(p.revents & POLLIN)) return false;
    }
    return true;
}

bool WriteAllBytes(int fd, const std::uint8_t* bytes, std::size_t count) {
    std::size_t done = 0;
    while (done < count) {
        const ssize_t w = write(fd, bytes + done, count - done);
        if (w > 0) {
            done += static_cast<std::size_t>(w);
            continue;
        }
        pollfd p{fd, POLLOUT, 0};
        if (poll(&p, 1, 5000) <= 0) return false;
    }
    return true;
}

namespace {

void Send(int fd, std::uint8_t byte) { WriteAllBytes(fd, &byte, 1); }

bool WaitFor(int fd, std::uint8_t wanted) {
    std::uint8_t b = 0;
    while (ReadExactly(fd, &b, 1))
        if (b == wanted) return true;
    return false;
}

int Download(int fd, const std::string& image) {
    if (!WaitFor(fd, ETB) || !WaitFor(fd, ETB)) return 1;
    Send(fd, ACK);
    std::uint8_t buffer[PacketBufferSize];
    for (SectionKind kind : AllSections) {
        if (!WaitFor(fd, ETB)) return 1;
        Send(fd, ACK);
        Send(fd, ENQ);
        if (!ReadExactly(fd, buffer, PacketBufferSize)) return 1;
        int stx = 0;
        while (buffer[stx] != STX) ++stx;
        const unsigned size = PacketPayloadLength(buffer + stx) + PacketFramingSize;
        const unsigned count = HeaderPacketCount(buffer + stx, kind);
        std::FILE* file = std::fopen(SectionFilePath(image, kind).c_str(), "wb");
        std::fwrite(buffer + stx, 1, size, file);
        for (unsigned i = 0; i < count; ++i) {
            Send(fd, ENQ);
            if (!ReadExactly(fd, buffer, DataPacketSize)) return 1;
            std::fwrite(buffer, 1, DataPacketSize, file);
        }
        std::fclose(file);
    }
    return 0;
}

int Upload(int fd, const std::string& image) {
    std::uint8_t buffer[PacketBufferSize];
    for (SectionKind kind : AllSections) {
        Send(fd, ETB);
        if (!WaitFor(fd, ACK)) return 1;
        std::FILE* file = std::fopen(SectionFilePath(image, kind).c_str(), "rb");
        if (!file || std::fread(buffer, 1, 4, file) != 4) return 1;
        const unsigned size = PacketPayloadLength(buffer) + PacketFramingSize;
        std::fread(buffer + 4, 1, size - 4, file);
        const unsigned count = HeaderPacketCount(buffer, kind);
        if (!WaitFor(fd, ENQ)) return 1;
        WriteAllBytes(fd, buffer, size);
        for (unsigned i = 0; i < count; ++i) {
            std::fread(buffer, 1, DataPacketSize, file);
            if (!WaitFor(fd, ENQ)) return 1;
            WriteAllBytes(fd, buffer, DataPacketSize);
        }
        std::fclose(file);
    }
    Send(fd, ENQ);
    return 0;
}

}  // namespace

int RunBareClient(const std::vector<std::string>& args) {
    if (args.size() != 3) return 2;
    const int fd = OpenRaw(args[1]);
    if (fd < 0) return 2;
    const int result = args[0] == "download" ? Download(fd, args[2]) : Upload(fd, args[2]);
    close(fd);
    return result;
}
