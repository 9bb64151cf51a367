// The Win32 serial link against a pty that the test runner (pty_peer) maps as COM7
// and COM12 of the Wine prefix. The peer answers '5' with 500 bytes, 'A' with every
// byte value, and checks the 256 bytes after an 'R' ('K' when all arrived intact).
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>

#include "app/config/link_settings.h"
#include "link/serial_link_win32.h"
#include "support/recording_display.h"

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

class Win32LinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        LinkSettings.PortName = "COM7";
        LinkSettings.BaudRate = 115200;
    }
    void TearDown() override { link.Close(); }

    Win32SerialBackend link;
    RecordingDisplay display;
    LinkTimeouts record;
};

bool RunningUnderWine() {
    return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
}

DCB QueryState(HANDLE h) {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    EXPECT_TRUE(GetCommState(h, &dcb));
    return dcb;
}

TEST_F(Win32LinkTest, OpenChangesOnlyTheLineFieldsOfTheDeviceState) {
    HANDLE h = CreateFileA("COM7", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    const DCB before = QueryState(h);
    CloseHandle(h);

    SetSerialBackend(&link);
    ASSERT_TRUE(OpenSerialLink());
    SetSerialBackend(nullptr);

    // What went to SetCommState: the driver's state with exactly these fields changed.
    DCB expected = before;
    expected.BaudRate = 115200;
    expected.ByteSize = 8;
    expected.Parity = NOPARITY;
    expected.StopBits = ONESTOPBIT;
    expected.fBinary = 1;
    expected.fDtrControl = DTR_CONTROL_DISABLE;
    expected.fRtsControl = RTS_CONTROL_DISABLE;
    EXPECT_EQ(std::memcmp(&link.AppliedState(), &expected, sizeof expected), 0);

    // What the device reports back. (Wine derives the DTR and RTS modes from the
    // modem lines, which a pty does not have, so those two are not read back.)
    const DCB after = QueryState(link.Handle());
    EXPECT_EQ(after.BaudRate, 115200u);
    EXPECT_EQ(after.ByteSize, 8);
    EXPECT_EQ(after.Parity, NOPARITY);
    EXPECT_EQ(after.StopBits, ONESTOPBIT);
    EXPECT_EQ(after.fBinary, 1u);
    // The pty was made raw, so XON/XOFF are off and 0x11/0x13 pass.
    EXPECT_EQ(after.fOutX, 0u);
    EXPECT_EQ(after.fInX, 0u);
}

TEST_F(Win32LinkTest, ReadEndsAtItsTotalTimeOutWithWhatArrived) {
    ASSERT_EQ(link.Open("COM7", 115200), SerialBackend::OpenStatus::Ok);
    SetSerialBackend(&link);
    SetLinkTimeouts(record, 1000, 1000);
    ASSERT_EQ(WriteLinkByte('5'), 1);
    std::uint8_t buffer[3000];
    auto start = Clock::now();
    EXPECT_EQ(ReadLink(buffer, 2069), 500);
    EXPECT_NEAR(SecondsSince(start), 1.0, 0.3);

    SetLinkTimeouts(record, 300);
    start = Clock::now();
    EXPECT_EQ(ReadLinkByte(buffer), 0);
    EXPECT_NEAR(SecondsSince(start), 0.3, 0.2);
    SetSerialBackend(nullptr);
}

TEST_F(Win32LinkTest, EveryByteValueCrossesUnchangedBothWays) {
    ASSERT_EQ(link.Open("COM7", 115200), SerialBackend::OpenStatus::Ok);
    SetSerialBackend(&link);
    SetLinkTimeouts(record, 2000, 1000);
    std::uint8_t all[257];
    all[0] = 'R';
    for (int v = 0; v < 256; ++v) all[v + 1] = static_cast<std::uint8_t>(v);
    ASSERT_EQ(WriteLink(all, 257), 257);
    std::uint8_t verdict = 0;
    EXPECT_EQ(ReadLinkByte(&verdict), 1);
    EXPECT_EQ(verdict, 'K');

    ASSERT_EQ(WriteLinkByte('A'), 1);
    std::uint8_t back[256] = {};
    EXPECT_EQ(ReadLink(back, 256), 256);
    for (int v = 0; v < 256; ++v) EXPECT_EQ(back[v], v) << "byte " << v;
    SetSerialBackend(nullptr);
}

TEST_F(Win32LinkTest, PortIsExclusiveUntilClosedAndReopens) {
    ASSERT_EQ(link.Open("COM7", 115200), SerialBackend::OpenStatus::Ok);
    Win32SerialBackend second;
    // Windows refuses a second open of a COM port opened without sharing; Wine
    // does not enforce sharing on devices.
    if (!RunningUnderWine()) {
        EXPECT_EQ(second.Open("COM7", 115200), SerialBackend::OpenStatus::CreateFailed);
    }
    second.Close();
    link.Close();
    EXPECT_EQ(second.Open("COM7", 115200), SerialBackend::OpenStatus::Ok);
    second.Close();
    EXPECT_EQ(link.Open("COM7", 115200), SerialBackend::OpenStatus::Ok);
}

TEST_F(Win32LinkTest, TwoDigitPortNamesAreUsedWhole) {
    LinkSettings.PortName = "COM12";  // would have been COM1 if cut to four characters
    SetSerialBackend(&link);
    ASSERT_TRUE(OpenSerialLink());
    SetLinkTimeouts(record, 1000, 1000);
    ASSERT_EQ(WriteLinkByte('5'), 1);
    std::uint8_t buffer[600];
    EXPECT_EQ(ReadLink(buffer, 500), 500);
    CloseSerialLink();
    SetSerialBackend(nullptr);

    LinkSettings.PortName = "COM13";  // mapped nowhere
    EXPECT_EQ(link.Open(LinkSettings.PortName, 115200), SerialBackend::OpenStatus::CreateFailed);
    EXPECT_TRUE(display.messages.empty());
}

// Last of this program: the peer hangs up for good. A vanished device is told from a
// silent one at once.
TEST_F(Win32LinkTest, HungUpLineIsALostPort) {
    SetSerialBackend(&link);
    ASSERT_TRUE(OpenSerialLink());
    SetLinkTimeouts(record, 3000, 3000);
    ASSERT_EQ(WriteLinkByte('H'), 1);
    Sleep(300);
    std::uint8_t byte = 0;
    const auto start = Clock::now();
    EXPECT_EQ(ReadLinkByte(&byte), 0);  // Wine's read waits out its time-out; Windows' fails at once
    EXPECT_LT(SecondsSince(start), 4.0);
    EXPECT_TRUE(LinkLost());
    EXPECT_EQ(WriteLinkByte(0x05), 0);
    EXPECT_TRUE(TransferStopped());
    EXPECT_EQ(display.MessageTexts(), std::vector<std::string>{"Lost connection to COM port"});
    CloseSerialLink();
    SetSerialBackend(nullptr);
}

}  // namespace
