// The serial link of this platform against a far end that pty_peer plays over a
// pty: the POSIX backend natively, the Win32 one under Wine (the pty mapped as a
// COM port). The port is named by KV_TEST_PORT. The peer answers '5' with 500 bytes,
// 'A' with every byte value, checks the 256 bytes after an 'R' ('K' when all arrived
// intact), and hangs up on 'H' (a fresh line then stands under the same name).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "link/serial_link.h"
#include "support/recording_display.h"
#include "support/test_session.h"

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

class LinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* port = std::getenv("KV_TEST_PORT");
        ASSERT_TRUE(port) << "run under pty_peer with KV_TEST_PORT naming its line";
        session.settings.link.PortName = port;
        session.settings.link.BaudRate = 115200;
        ASSERT_TRUE(OpenSerialLink(session));
    }
    void TearDown() override { CloseSerialLink(session); }

    RecordingDisplay display;
    std::unique_ptr<SerialBackend> port = MakePlatformSerialBackend();
    TestSession session{*port, display};
    LinkTimeouts record;
};

TEST_F(LinkTest, ReadEndsAtItsTotalTimeOutWithWhatArrived) {
    SetLinkTimeouts(session, record, 1000, 1000);
    ASSERT_EQ(WriteLinkByte(session, '5'), 1);
    std::uint8_t buffer[3000];
    auto start = Clock::now();
    EXPECT_EQ(ReadLink(session, buffer, 2069), 500);
    EXPECT_NEAR(SecondsSince(start), 1.0, 0.3);

    // Nothing at all: 0 bytes, after the time-out.
    SetLinkTimeouts(session, record, 300);
    start = Clock::now();
    EXPECT_EQ(ReadLinkByte(session, buffer), 0);
    EXPECT_NEAR(SecondsSince(start), 0.3, 0.2);

    // A read whose count is reached returns at once, not at its time-out.
    SetLinkTimeouts(session, record, 5000, 1000);
    ASSERT_EQ(WriteLinkByte(session, 'A'), 1);
    start = Clock::now();
    EXPECT_EQ(ReadLink(session, buffer, 256), 256);
    EXPECT_LT(SecondsSince(start), 1.0);
    EXPECT_TRUE(display.messages.empty());
}

TEST_F(LinkTest, EveryByteValueCrossesUnchangedBothWays) {
    SetLinkTimeouts(session, record, 2000, 1000);
    std::uint8_t all[257];
    all[0] = 'R';
    for (int v = 0; v < 256; ++v) all[v + 1] = static_cast<std::uint8_t>(v);
    ASSERT_EQ(WriteLink(session, all, 257), 257);
    std::uint8_t verdict = 0;
    EXPECT_EQ(ReadLinkByte(session, &verdict), 1);
    EXPECT_EQ(verdict, 'K') << "the peer got 0..255 in order";

    SetLinkTimeouts(session, record, 1000, 1000);
    ASSERT_EQ(WriteLinkByte(session, 'A'), 1);
    std::uint8_t back[257] = {};
    EXPECT_EQ(ReadLink(session, back, 257), 256) << "nothing added, nothing lost";
    for (int v = 0; v < 256; ++v) EXPECT_EQ(back[v], v) << "byte " << v;
}

// The far end gone (a USB-serial adapter unplugged): reads and writes fail and the
// waits hear of it, instead of taking it for a silent line.
TEST_F(LinkTest, HungUpLineIsALostPort) {
    SetLinkTimeouts(session, record, 3000, 3000);
    ASSERT_EQ(WriteLinkByte(session, 'H'), 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    std::uint8_t byte = 0;
    const auto start = Clock::now();
    EXPECT_EQ(ReadLinkByte(session, &byte), 0);
#ifdef _WIN32
    EXPECT_LT(SecondsSince(start), 4.0);  // Wine's read waits out its time-out; Windows' fails at once
#else
    EXPECT_LT(SecondsSince(start), 0.5);
#endif
    EXPECT_TRUE(LinkLost(session));
    EXPECT_EQ(WriteLinkByte(session, 0x05), 0);
    EXPECT_TRUE(TransferStopped(session));
    EXPECT_TRUE(TransferStopped(session));
    EXPECT_EQ(display.MessageTexts(), std::vector<std::string>{"Lost connection to COM port"}) << "said once";
}

}  // namespace
