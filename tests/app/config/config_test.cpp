// LoadConfig in a scratch current directory, through the platform's profile functions.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/config/config.h"
#include "core/profile.h"

namespace {

namespace fs = std::filesystem;

class LoadConfigTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = fs::current_path();
        dir_ = fs::temp_directory_path() / ("kv_config_test_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        fs::current_path(dir_);
        LinkSettings = LinkSettingsRecord{};
        LinkSettings.PortName = "stale";
    }
    void TearDown() override {
        fs::current_path(saved_);
        fs::remove_all(dir_);
    }
    void Write(const std::string& content) { std::ofstream(dir_ / "config.ini", std::ios::binary) << content; }

    fs::path saved_, dir_;
};

TEST_F(LoadConfigTest, PresenceTestFailsWithoutFileOrLastDirOrWithLastDirBeginningWithOne) {
    EXPECT_EQ(LoadConfig(), 1);
    EXPECT_EQ(LinkSettings.PortName, "");  // cleared first, not read
    EXPECT_EQ(fs::path(ConfigPath), dir_ / "config.ini");

    Write("[OPTIONS]\r\nPort=COM2\r\n");
    EXPECT_EQ(LoadConfig(), 1);
    EXPECT_EQ(LinkSettings.PortName, "");

    Write("[OPTIONS]\r\nLastDir=1stImages\\\r\nPort=COM2\r\n");
    EXPECT_EQ(LoadConfig(), 1);

    Write("[OPTIONS]\r\nLastDir=\r\nPort=COM2\r\n");  // empty passes
    EXPECT_EQ(LoadConfig(), 0);
    EXPECT_EQ(LinkSettings.PortName, "COM2");
}

TEST_F(LoadConfigTest, OnlyLastDirGivesTheDefaults) {
    Write("[OPTIONS]\r\nLastDir=C:\\img\\\r\n");
    ASSERT_EQ(LoadConfig(), 0);
    EXPECT_EQ(LinkSettings.PortName, "COM5");
    EXPECT_EQ(LinkSettings.BaudRate, 115200);
    EXPECT_EQ(LinkSettings.SpeedFactor, 10);
}

TEST_F(LoadConfigTest, ValuesAreReadWholeAndConvertedByLeadingDigits) {
    Write("[options]\r\nlastdir=x\r\nPort=COM12\r\nBAUD_RATE=1000000\r\nSPEED=100\r\nDFA=1\r\n");
    ASSERT_EQ(LoadConfig(), 0);
    EXPECT_EQ(LinkSettings.PortName, "COM12");
    EXPECT_EQ(LinkSettings.BaudRate, 1000000);
    EXPECT_EQ(LinkSettings.SpeedFactor, 100);

    Write("[OPTIONS]\r\nLastDir=x\r\nPort=/dev/ttyUSB0\r\nBAUD_RATE=  57600 baud\r\nSPEED=fast\r\n");
    ASSERT_EQ(LoadConfig(), 0);
    EXPECT_EQ(LinkSettings.PortName, "/dev/ttyUSB0");
    EXPECT_EQ(LinkSettings.BaudRate, 57600);
    EXPECT_EQ(LinkSettings.SpeedFactor, 0);
}

TEST_F(LoadConfigTest, LaterReadsAndWritesKeepThePathWhereverTheDirectoryMoves) {
    Write("[OPTIONS]\r\nLastDir=x\r\nPacketLength=2048\r\n");
    ASSERT_EQ(LoadConfig(), 0);
    fs::create_directories(dir_ / "elsewhere");
    fs::current_path(dir_ / "elsewhere");
    EXPECT_EQ(ReadProfileInt("PacketLength", 0), 2048);
    WriteProfileText("LastDir", "C:\\img\\");
    EXPECT_EQ(ReadProfileText("LastDir", "Error", 259), "C:\\img\\");
    EXPECT_FALSE(fs::exists(dir_ / "elsewhere" / "config.ini"));
}

TEST(DecimalTextToInt, TakesBlanksSignAndLeadingDigits) {
    EXPECT_EQ(DecimalTextToInt("115200"), 115200);
    EXPECT_EQ(DecimalTextToInt("  -12x"), -12);
    EXPECT_EQ(DecimalTextToInt("+7"), 7);
    EXPECT_EQ(DecimalTextToInt("x12"), 0);
    EXPECT_EQ(DecimalTextToInt(""), 0);
    EXPECT_EQ(DecimalTextToInt("0x10"), 0);
    EXPECT_EQ(DecimalTextToInt("99999999999"), 2147483647);
    EXPECT_EQ(DecimalTextToInt("-99999999999"), -2147483647 - 1);
}

}  // namespace
