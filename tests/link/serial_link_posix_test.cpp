// What only the POSIX serial link does, over a pseudo-terminal (the cases both
// backends share are in serial_link_pty_test.cpp).
#include <termios.h>

#include <gtest/gtest.h>

#include "link/pty_pair.h"
#include "link/serial_link_posix.h"
#include "support/recording_display.h"
#include "support/test_session.h"

namespace {

class PosixLinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        session.settings.link.PortName = pty.SlavePath();
        session.settings.link.BaudRate = 115200;
    }
    void TearDown() override { CloseSerialLink(session); }

    PtyPair pty;
    RecordingDisplay display;
    PosixSerialBackend port;
    TestSession session{port, display};
    LinkTimeouts record;
};

TEST_F(PosixLinkTest, EveryByteValueCrossesUnchangedBothWays) {
    ASSERT_TRUE(OpenSerialLink(session));
    SetLinkTimeouts(session, record, 1000, 1000);
    std::vector<std::uint8_t> all;
    for (int round = 0; round < 2; ++round)
        for (int i = 0; i < 256; ++i) all.push_back(static_cast<std::uint8_t>(i));

    ASSERT_EQ(WriteLink(session, all.data(), static_cast<int>(all.size())), 512);
    EXPECT_EQ(pty.ReadUpTo(all.size() + 1, 500), all);  // nothing added, nothing lost

    pty.WriteAll(all);
    std::vector<std::uint8_t> back(all.size() + 1);
    EXPECT_EQ(ReadLink(session, back.data(), static_cast<int>(back.size())), 512);
    back.resize(512);
    EXPECT_EQ(back, all);
    EXPECT_TRUE(pty.ReadUpTo(1, 100).empty()) << "nothing echoed";
}

TEST_F(PosixLinkTest, PortIsExclusiveUntilClosed) {
    ASSERT_TRUE(OpenSerialLink(session));
    PosixSerialBackend second;
    EXPECT_EQ(second.Open(pty.SlavePath(), 115200), SerialBackend::OpenStatus::CreateFailed);
    CloseSerialLink(session);
    EXPECT_EQ(second.Open(pty.SlavePath(), 115200), SerialBackend::OpenStatus::Ok);
    second.Close();
    ASSERT_TRUE(OpenSerialLink(session));
}

TEST_F(PosixLinkTest, LineIsRaw8N1WithoutFlowControl) {
    session.settings.link.BaudRate = 57600;
    ASSERT_TRUE(OpenSerialLink(session));
    termios tio{};
    ASSERT_EQ(tcgetattr(port.Descriptor(), &tio), 0);
    EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(tio.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
    EXPECT_EQ(tio.c_cflag & (CREAD | CLOCAL), static_cast<tcflag_t>(CREAD | CLOCAL));
    EXPECT_EQ(tio.c_iflag & (IXON | IXOFF | IXANY | ICRNL | INLCR | IGNCR | ISTRIP | PARMRK), 0u);
    EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
    EXPECT_EQ(tio.c_oflag & OPOST, 0u);
    EXPECT_EQ(cfgetospeed(&tio), static_cast<speed_t>(B57600));
    EXPECT_EQ(cfgetispeed(&tio), static_cast<speed_t>(B57600));
}

#ifdef __linux__
TEST_F(PosixLinkTest, RatesOutsideTheTableAreSetExactly) {
    session.settings.link.BaudRate = 250000;
    ASSERT_TRUE(OpenSerialLink(session));
    EXPECT_EQ(ReadLineBaud(port.Descriptor()), 250000);
    CloseSerialLink(session);
    session.settings.link.BaudRate = 1000000;  // read whole from the settings, never cut to 100000
    ASSERT_TRUE(OpenSerialLink(session));
    EXPECT_EQ(ReadLineBaud(port.Descriptor()), 1000000);
}
#endif

TEST_F(PosixLinkTest, EachOpenFailureHasItsOwnMainWindowMessage) {
    session.settings.link.PortName = "/dev/kestrivane-no-such-port";
    EXPECT_FALSE(OpenSerialLink(session));
    session.settings.link.PortName = "/dev/null";  // opens, but is no terminal
    EXPECT_FALSE(OpenSerialLink(session));
    session.settings.link.PortName = pty.SlavePath();
    session.settings.link.BaudRate = 0;
    EXPECT_FALSE(OpenSerialLink(session));

    ASSERT_EQ(display.messages.size(), 3u);
    EXPECT_EQ(display.messages[0].text, "Failed to create a handle to COM port");
    EXPECT_EQ(display.messages[0].caption, "Handle Error");
    EXPECT_EQ(display.messages[1].text, "Error while receiving COM port state");
    EXPECT_EQ(display.messages[1].caption, "Error");
    EXPECT_EQ(display.messages[2].text, "Error while setting COM port state");
    EXPECT_EQ(display.messages[2].caption, "Error");
    for (const auto& m : display.messages) {
        EXPECT_EQ(m.icon, MessageIcon::Error);
        EXPECT_EQ(m.owner, MessageOwner::MainWindow);
    }
    // Nothing stayed open after the failures.
    PosixSerialBackend other;
    EXPECT_EQ(other.Open(pty.SlavePath(), 115200), SerialBackend::OpenStatus::Ok);
}

}  // namespace
