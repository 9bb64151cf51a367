// The emulated box served on a pty, reached through the POSIX serial link.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <thread>

#include "box/pty_device.h"
#include "box/pty_server.h"
#include "box/synthetic_image.h"
#include "core/packet.h"
#include "link/serial_link.h"
#include "support/recording_display.h"
#include "support/test_session.h"

namespace {

using box::Bytes;

bool WaitForByte(Session& session, std::uint8_t wanted, int passes) {
    for (int i = 0; i < passes; ++i) {
        std::uint8_t b = 0;
        if (ReadLinkByte(session, &b) == 1 && b == wanted) return true;
    }
    return false;
}

TEST(PtyBox, ServesASectionAndTakesOneBackThroughTheSerialLink) {
    box::SyntheticPlan plan;
    plan.packets = {3, -1, -1, -1, -1};
    const box::Image image = box::SyntheticImage(plan);
    PtyDevice pty;
    volatile std::sig_atomic_t stop = 0;
    std::vector<box::ReceivedSection> received;
    box::PtyServerOptions options;
    options.powerOnDelay = 0;
    box::PtyServer server(
        pty, [&](int) { return std::make_unique<box::Box>(image); }, options,
        [&](const box::Box& b) { received = b.Received(); });
    std::thread serving([&] { server.Run(stop); });

    RecordingDisplay display;
    const auto port = MakePlatformSerialBackend();
    TestSession session(*port, display);
    session.settings.link.PortName = pty.SlavePath();
    session.settings.link.BaudRate = 115200;
    LinkTimeouts record;
    ASSERT_TRUE(OpenSerialLink(session));
    SetLinkTimeouts(session, record, 1000, 1000);

    // Download the Flash Database section.
    ASSERT_TRUE(WaitForByte(session, ETB, 30));
    WriteLinkByte(session, ACK);
    ASSERT_TRUE(WaitForByte(session, ETB, 30));
    WriteLinkByte(session, ACK);
    WriteLinkByte(session, ENQ);
    std::uint8_t buffer[PacketBufferSize];
    const int headerBytes = ReadLink(session, buffer, PacketBufferSize);
    const Bytes& header = image[SectionKind::FlashDatabase]->header;
    ASSERT_GE(headerBytes, static_cast<int>(header.size()));
    EXPECT_EQ(Bytes(buffer, buffer + header.size()), header);
    for (const Bytes& packet : image[SectionKind::FlashDatabase]->packets) {
        WriteLinkByte(session, ENQ);
        ASSERT_EQ(ReadLink(session, buffer, DataPacketSize), DataPacketSize);
        EXPECT_EQ(Bytes(buffer, buffer + DataPacketSize), packet);
    }
    CloseSerialLink(session);

    // Reopened: a fresh box, which turns to an upload on ETB and records it.
    ASSERT_TRUE(OpenSerialLink(session));
    SetLinkTimeouts(session, record, 1000, 1000);
    std::uint8_t reply = 0;
    for (int i = 0; i < 30 && reply != ACK; ++i) {
        WriteLinkByte(session, ETB);
        ReadLinkByte(session, &reply);
    }
    ASSERT_EQ(reply, ACK);
    ASSERT_TRUE(WaitForByte(session, ENQ, 5));
    WriteLink(session, header.data(), static_cast<int>(header.size()));
    for (const Bytes& packet : image[SectionKind::FlashDatabase]->packets) {
        ASSERT_TRUE(WaitForByte(session, ENQ, 5));
        WriteLink(session, packet.data(), DataPacketSize);
    }
    CloseSerialLink(session);
    for (int i = 0; i < 100 && received.empty(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    stop = 1;
    serving.join();
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].bytes, image[SectionKind::FlashDatabase]->FileBytes());
    EXPECT_EQ(received[0].packets, 3u);
}

TEST(PtyBox, ProgramPrintsItsPtyKeepsItsLinkAndCleansUp) {
    const std::string link = ::testing::TempDir() + "kv_box_link_test";
    int out[2];
    ASSERT_EQ(pipe(out), 0);
    const pid_t child = fork();
    if (child == 0) {
        dup2(out[1], 1);
        close(out[0]);
        execl(KV_BOX_BINARY, KV_BOX_BINARY, "--synthetic", "1,1,1,1,1", "--link", link.c_str(),
              "--power-on-delay", "0", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(out[1]);
    FILE* lines = fdopen(out[0], "r");
    char path[256] = {};
    ASSERT_TRUE(std::fgets(path, sizeof path, lines));
    std::string slave(path);
    slave.pop_back();
    EXPECT_EQ(slave.rfind("/dev/pts/", 0), 0u);

    RecordingDisplay display;
    const auto port = MakePlatformSerialBackend();
    TestSession session(*port, display);
    session.settings.link.PortName = link;  // through the link
    LinkTimeouts record;
    ASSERT_TRUE(OpenSerialLink(session));
    SetLinkTimeouts(session, record, 1000, 1000);
    EXPECT_TRUE(WaitForByte(session, ETB, 5));
    CloseSerialLink(session);

    kill(child, SIGTERM);
    int status = 0;
    waitpid(child, &status, 0);
    fclose(lines);
    EXPECT_TRUE(WIFEXITED(status));
    struct stat st;
    EXPECT_NE(lstat(link.c_str(), &st), 0) << "link removed";
}

}  // namespace

// A program that ends without reading all the box sent leaves it in the pty; the next
// program that opens the port must not read it, as it would not from a serial port.
TEST(PtyBox, WhatAProgramLeftUnreadIsGoneForTheNext) {
    PtyDevice pty;
    const auto openSlave = [&] { return open(pty.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK); };
    int slave = openSlave();
    ASSERT_GE(slave, 0);
    EXPECT_EQ(pty.NextSlaveEvent(), PtyDevice::SlaveEvent::Opened);
    const std::uint8_t rest[] = {STX, 0x17, 0x02, 0x03};
    ASSERT_TRUE(pty.WriteAll(rest, sizeof rest));
    close(slave);
    EXPECT_EQ(pty.NextSlaveEvent(), PtyDevice::SlaveEvent::Closed);
    pty.AfterLastClose();
    EXPECT_EQ(pty.NextSlaveEvent(), std::nullopt) << "the flush is no program's open";

    slave = openSlave();
    EXPECT_EQ(pty.NextSlaveEvent(), PtyDevice::SlaveEvent::Opened);
    std::uint8_t byte;
    EXPECT_EQ(read(slave, &byte, 1), -1) << "nothing of the last session";
    close(slave);
    EXPECT_EQ(pty.NextSlaveEvent(), PtyDevice::SlaveEvent::Closed);
}
