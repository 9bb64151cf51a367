// The command line's Windows parts under Wine: port names, the listing (COM7 is a pty
// of the test prefix while this runs), the console, files and moves.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "app/cli/image/disk.h"
#include "app/cli/image/image_lock.h"
#include "app/cli/image/sha256.h"
#include "app/cli/machine/port_names.h"
#include "app/cli/machine/serial_ports.h"
#include "app/cli/machine/system_ways.h"
#include "app/cli/machine/wildcard.h"
#include "display/console/terminal.h"

namespace {

std::string TestPort() {
    const char* port = std::getenv("KV_TEST_PORT");
    return port ? port : "COM7";
}

std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class Folder : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(MakeTemporaryFolder("kestrivane-test", &dir), 0); }
    void TearDown() override {
        for (const char* name : {"a.txt", "b.txt", "log.txt", "Müller.dat", "box.kestrivane-lock"})
            DeleteFileA((dir + "\\" + name).c_str());
        RemoveDirectoryA(dir.c_str());
    }
    std::string dir;
};

}  // namespace

TEST(WindowsPorts, OneNameWhicheverWayTheUserWritesIt) {
    EXPECT_EQ(DeviceIdentity("COM12"), DeviceIdentity("\\\\.\\COM12"));
    EXPECT_EQ(DeviceIdentity("COM12"), DeviceIdentity("com12"));
    EXPECT_NE(DeviceIdentity("COM1"), DeviceIdentity("COM12"));
    EXPECT_EQ(PortBaseName("\\\\.\\COM12"), "COM12");  // {port} in a file name
    EXPECT_EQ(ShortPortNames({"COM9", "COM10"}), (std::vector<std::string>{"COM9", "COM10"}));
    EXPECT_TRUE(NaturalLess("COM9", "COM10"));
}

TEST(WindowsPorts, TheListingAndTheStationsPatternsFindThePrefixsPort) {
    bool listed = false;
    for (const SerialPortInfo& p : ListSerialPorts()) listed = listed || p.device == TestPort();
    EXPECT_TRUE(listed) << TestPort() << " is not listed";
    EXPECT_EQ(MatchingPorts({TestPort()}), std::vector<std::string>{TestPort()});
    EXPECT_EQ(MatchingPorts({"\\\\.\\" + TestPort()}), std::vector<std::string>{TestPort()});
    const std::vector<std::string> all = MatchingPorts({"com*"});
    EXPECT_NE(std::find(all.begin(), all.end(), TestPort()), all.end());
    EXPECT_TRUE(MatchingPorts({"COM63"}).empty());  // not there: waited for
    EXPECT_TRUE(NotASerialPort("COM63").empty());   // opening it says what is wrong
    EXPECT_EQ(NotASerialPort("C:\\windows"), "not a serial port");
    const std::string missing = WhyPortFailed("COM63", ERROR_FILE_NOT_FOUND, false);
    EXPECT_NE(missing.find("kestrivane ports lists"), std::string::npos) << missing;
    const std::string linux = WhyPortFailed("/dev/ttyUSB0", ERROR_PATH_NOT_FOUND, false);
    EXPECT_NE(linux.find("named like COM7"), std::string::npos) << linux;
    EXPECT_NE(WhyPortFailed("COM7", ERROR_ACCESS_DENIED, true).find("in use by another program"), std::string::npos);
}

TEST(WindowsConsole, RedirectedOutputGetsPlainLinesAndCommandsForCmd) {
    PrepareTerminal();
    EXPECT_FALSE(IsTerminal(stdout));  // ctest reads it through a pipe
    EXPECT_EQ(TerminalWidth(stdout), 80);
    EXPECT_EQ(RemoveCommand({"a.dat", "my box.ur1"}), "del a.dat \"my box.ur1\"");
    EXPECT_TRUE(FitsWildcard("img-*.dat", "IMG-COM5-1.DAT", true));
    EXPECT_FALSE(FitsWildcard("img-*.dat", "img-a\\b.dat", true));
}

TEST_F(Folder, MovesReplaceWhatStandsAndFilesAreWrittenWhole) {
    Disk& disk = SystemDisk();
    const std::string a = dir + "\\a.txt", b = dir + "\\b.txt";
    ASSERT_EQ(disk.WriteFile(a, "new"), 0);
    ASSERT_EQ(disk.WriteFile(b, "old"), 0);
    EXPECT_EQ(disk.SyncFile(a), 0);
    EXPECT_EQ(disk.Rename(a, b), 0);  // replaces, as a move into place must
    EXPECT_FALSE(disk.Exists(a));
    EXPECT_EQ(Read(b), "new");
    EXPECT_EQ(disk.Rename(a, b), ENOENT);
    EXPECT_EQ(disk.Remove(b), 0);
    EXPECT_TRUE(disk.IsFolder(dir));

    const std::string log = dir + "\\log.txt";
    EXPECT_EQ(AppendToFile(log, ""), 0);
    EXPECT_EQ(AppendToFile(log, "one\n"), 0);
    EXPECT_EQ(AppendToFile(log, "two\n"), 0);
    EXPECT_EQ(Read(log), "one\ntwo\n");

    EXPECT_EQ(FolderTakesFiles(dir), 0);
    EXPECT_EQ(FolderTakesFiles(dir + "\\nowhere"), ENOENT);
    EXPECT_EQ(FolderTakesFiles(log), ENOTDIR);
    EXPECT_GT(FullPathLength("x.dat"), std::string("x.dat").size());  // counted from the drive

    const std::string named = dir + "\\Müller.dat";  // UTF-8 names, as the manifest asks
    ASSERT_EQ(disk.WriteFile(named, "ü"), 0);
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW((std::wstring(dir.begin(), dir.end()) + L"\\M*").c_str(), &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    FindClose(search);
    EXPECT_EQ(std::wstring(found.cFileName), L"M\u00fcller.dat");
}

TEST(WindowsNames, WhatWindowsRefusesIsSaid) {
    for (const char* refused : {"CON", "CON.dat", "nul.dat", "aux", "COM1.dat", "lpt9.txt", "prn .dat", "a:b.dat",
                                "q?.dat", "x*.dat", "a\"b.dat", "a<b.dat", "a>b.dat", "a|b.dat", "box.dat.", "box.dat ",
                                "dir.\\box.dat", "C:\\img\\CON\\box.dat", "\\\\.\\COM1"})
        EXPECT_NE(NameRefusedHere(refused), "") << refused;
    for (const char* taken : {"box.dat", "C:\\img\\box.dat", "c:/img/box.dat", "..\\box.dat", "\\\\server\\share\\box.dat",
                              "COM10.dat", "console.dat", "Sicherung-M\xC3\xBCller.dat"})
        EXPECT_EQ(NameRefusedHere(taken), "") << taken;
    EXPECT_EQ(NameRefusedHere("q?.dat"), "'?' cannot stand in a Windows file name (q?.dat)");
    EXPECT_EQ(NameRefusedHere("COM1.dat"), "COM1.dat names a Windows device, not a file");
}

TEST_F(Folder, ANameHeldAloneIsHeldAgainstEveryOtherHandle) {
    const std::string path = dir + "\\box.kestrivane-lock";
    ImageLock alone, other, reader;
    LockHolder holder;
    int error = 0;
    ASSERT_EQ(ImageLock::Take(path, LockUse::Alone, "downloads it on COM7", &alone, &holder, &error), LockTaken::Taken);
    EXPECT_EQ(ImageLock::Take(path, LockUse::Shared, "", &other, &holder, &error), LockTaken::Held);
    EXPECT_TRUE(holder.alone);
    EXPECT_EQ(holder.said, "kestrivane (pid " + std::to_string(GetCurrentProcessId()) + ") downloads it on COM7");
    alone.Release();
    EXPECT_FALSE(SystemDisk().Exists(path)) << "its last holder removes it";
    ASSERT_EQ(ImageLock::Take(path, LockUse::Shared, "", &reader, &holder, &error), LockTaken::Taken);
    ASSERT_EQ(ImageLock::Take(path, LockUse::Shared, "", &other, &holder, &error), LockTaken::Taken);
    EXPECT_EQ(ImageLock::Take(path, LockUse::Alone, "", &alone, &holder, &error), LockTaken::Held);
    EXPECT_FALSE(holder.alone) << "readers hold it";
    reader.Release();
    EXPECT_TRUE(SystemDisk().Exists(path)) << "another reader holds it still";
    other.Release();
    EXPECT_FALSE(SystemDisk().Exists(path));
    std::unique_ptr<NewFile> file;
    ASSERT_EQ(WriteNewFile(dir + "\\a.txt", "a"), 0);
    EXPECT_EQ(CreateNewFile(dir + "\\a.txt", &file), EEXIST) << "made new, never over what stands";
}

TEST(WindowsFiles, Sha256OfTheSystem) {
    EXPECT_EQ(Sha256("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(Sha256(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
}
