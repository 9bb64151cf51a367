// One writer per image name: a command that meets a name another holds is refused at
// once, before the port, saying who holds it; the files of an image are never written
// through a link, nor a link moved in their place.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/cli/image/disk.h"
#include "app/cli/image/image_lock.h"
#include "app/cli/image/image_names.h"
#include "app/cli/run/station_names.h"
#include "support/command_line.h"

namespace {

namespace fs = std::filesystem;

bool Has(const ProcessResult& r, const std::string& text) { return r.err.find(text) != std::string::npos; }

std::string Text(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// This test program holds the name as another program would.
TEST_F(CommandLine, ANameHeldByOneCommandIsRefusedToTheOthersAtOnce) {
    BoxProcess box(FastBox({"--synthetic", "4,4,4,4,4", "--write-image", At("got/box.dat")}));
    const std::string lockFile = LockFileOf(At("got/box.dat"));
    ImageLock held;
    LockHolder holder;
    int error = 0;
    ASSERT_EQ(ImageLock::Take(lockFile, LockUse::Alone, "downloads it on /dev/ttyUSB7", &held, &holder, &error),
              LockTaken::Taken);
    const std::string pid = std::to_string(getpid());
    const std::vector<std::vector<std::string>> commands = {
        {"--port", box.Port(), "download", "--yes", At("got/box.dat")},
        {"--port", box.Port(), "upload", "--yes", At("got/box.ur3")},  // a section file of the image
        {"--port", box.Port(), "verify", At("got/box.dat")},
        {"inspect", At("got/box.dat")},
        {"compare", At("got/box.ur1"), At("got/box.ur1")},
    };
    for (const std::vector<std::string>& command : commands) {
        const ProcessResult r = Kestrivane(command);
        EXPECT_EQ(r.status, 2) << command[command.size() - 2];
        EXPECT_TRUE(Has(r, " is in use: kestrivane (pid " + pid + ") downloads it on /dev/ttyUSB7; try again once "
                           "that has ended")) << r.err;
    }
    held.Release();
    EXPECT_FALSE(fs::exists(lockFile)) << "its last holder removes it";

    // Readers share it; a download waits for none of them.
    ASSERT_EQ(ImageLock::Take(lockFile, LockUse::Shared, "", &held, &holder, &error), LockTaken::Taken);
    EXPECT_EQ(Kestrivane({"inspect", At("got/box.dat")}).status, 0);
    ProcessResult r = Kestrivane({"--port", box.Port(), "download", "--yes", At("got/box.dat")});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(Has(r, " is being read by cli_tests (pid " + pid + ")")) << r.err;

    // A station numbers its boxes under the lock: a number held elsewhere is skipped.
    ImageLock first, next;
    ASSERT_EQ(ImageLock::Take(LockFileOf(At("got/n-1.dat")), LockUse::Alone, "", &first, &holder, &error),
              LockTaken::Taken);
    EXPECT_EQ(NextImageName(At("got/n-{n}.dat"), "p", {}, &next), At("got/n-2.dat"));
    EXPECT_TRUE(next.Held());

    held.Release();
    r = Kestrivane({"--port", box.Port(), "download", "--yes", At("got/box.dat")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_FALSE(fs::exists(lockFile));
}

TEST_F(CommandLine, LinksAtAnImagesNamesAreNeverFollowed) {
    BoxProcess box(FastBox({"--synthetic", "4,4,4,4,4"}));
    const std::string outside = At("served/outside");
    for (const char* name : {"box.dat", "box.ur2", "box.incomplete.ur1", "box.dat.kestrivane-move",
                             "box.dat.kestrivane-new", "box.ur3.kestrivane-old", "box.kestrivane-lock"}) {
        std::ofstream(outside) << "not the tool's";
        fs::create_symlink(outside, At(std::string("got/") + name));
        const ProcessResult r = Kestrivane({"--port", box.Port(), "download", "--yes", At("got/box.dat")});
        EXPECT_EQ(r.status, 2) << name;
        EXPECT_TRUE(Has(r, At(std::string("got/") + name)) && Has(r, "link")) << r.err;
        EXPECT_EQ(Text(outside), "not the tool's") << name;
        EXPECT_TRUE(fs::is_symlink(At(std::string("got/") + name))) << name;
        fs::remove(At(std::string("got/") + name));
    }
    // What the tool makes is made new: never over what stands, never through a link.
    fs::create_symlink(At("served/nowhere"), At("got/dangling"));
    std::unique_ptr<NewFile> file;
    EXPECT_EQ(CreateNewFile(At("got/dangling"), &file), EEXIST);
    EXPECT_EQ(WriteNewFile(At("got/dangling"), "x"), EEXIST);
    EXPECT_FALSE(fs::exists(At("served/nowhere")));
}

}  // namespace
