// What only the Win32 serial link does, against a pty that the test runner
// (pty_peer) maps as COM7 and COM12 of the Wine prefix (the cases both backends
// share are in serial_link_pty_test.cpp). The peer answers '5' with 500 bytes.
#include <gtest/gtest.h>

#include <cstring>

#include "link/serial_link_win32.h"
#include "support/recording_display.h"
#include "support/test_session.h"

namespace {

class Win32LinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        session.settings.link.PortName = "COM7";
        session.settings.link.BaudRate = 115200;
    }
    void TearDown() override { link.Close(); }

    Win32SerialBackend link;
    RecordingDisplay display;
    TestSession session{link, display};
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

    ASSERT_TRUE(OpenSerialLink(session));

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
    session.settings.link.PortName = "COM12";  // would have been COM1 if cut to four characters
    ASSERT_TRUE(OpenSerialLink(session));
    SetLinkTimeouts(session, record, 1000, 1000);
    ASSERT_EQ(WriteLinkByte(session, '5'), 1);
    std::uint8_t buffer[600];
    EXPECT_EQ(ReadLink(session, buffer, 500), 500);
    CloseSerialLink(session);

    session.settings.link.PortName = "COM13";  // mapped nowhere
    EXPECT_EQ(link.Open(session.settings.link.PortName, 115200), SerialBackend::OpenStatus::CreateFailed);
    EXPECT_TRUE(display.messages.empty());
}

}  // namespace
