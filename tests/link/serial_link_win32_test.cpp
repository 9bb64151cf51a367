#include "link/serial_link_win32.h"

#include <gtest/gtest.h>

TEST(Win32DevicePath, PortsAboveNineGoThroughTheDeviceNamespace) {
    EXPECT_EQ(Win32DevicePath("COM1"), "COM1");
    EXPECT_EQ(Win32DevicePath("COM9"), "COM9");
    EXPECT_EQ(Win32DevicePath("COM10"), "\\\\.\\COM10");
    EXPECT_EQ(Win32DevicePath("com12"), "\\\\.\\com12");
    EXPECT_EQ(Win32DevicePath("COM256"), "\\\\.\\COM256");
    EXPECT_EQ(Win32DevicePath("\\\\.\\COM12"), "\\\\.\\COM12");
    EXPECT_EQ(Win32DevicePath("COMX1"), "COMX1");
    EXPECT_EQ(Win32DevicePath("LPT1"), "LPT1");
}
