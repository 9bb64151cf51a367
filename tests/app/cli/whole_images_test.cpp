// A download is on disk under its name, whole, or not under its name at all; what
// came down and what was kept of the transfer is said.
#include <gtest/gtest.h>

#include <dirent.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <memory>
#include <thread>

#include "app/cli/image/stored_file.h"
#include "core/packet.h"
#include "support/command_line.h"

namespace {

namespace fs = std::filesystem;

bool Has(const ProcessResult& r, const std::string& text) { return r.err.find(text) != std::string::npos; }

TEST_F(CommandLine, AFirstDownloadTakesItsNameOnlyWhenWhole) {
    {
        BoxProcess failing(FastBox({"--synthetic", "16,16,4,4,16", "--fault", "bad-checksum@2:satellite"}));
        const ProcessResult r = Kestrivane({"--port", failing.Port(), "download", At("got/box.dat")});
        EXPECT_EQ(r.status, 1);
        EXPECT_FALSE(Exists("got/box.dat") || Exists("got/box.ur1")) << "nothing under the name asked for";
        EXPECT_TRUE(Has(r, "nothing was written under " + At("got/box.dat") + "; what came down stays under " +
                               At("got/box.incomplete.dat"))) << r.err;
        EXPECT_TRUE(Has(r, At("got/box.incomplete.ur1") + ": complete, 16 data packets")) << r.err;
    }
    // A box whose Application Software section is empty: no .ur5, and a whole image.
    BoxProcess box(FastBox({"--synthetic", "16,16,16,4,-", "--record", At("served")}));
    ProcessResult r = Kestrivane({"--port", box.Port(), "download", At("got/box.dat")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(Has(r, "removed what an earlier attempt left: " + At("got/box.incomplete.dat") + ", " +
                           At("got/box.incomplete.ur1"))) << r.err;
    EXPECT_TRUE(Exists("got/box.ur4") && !Exists("got/box.ur5") && !Exists("got/box.incomplete.ur1"));
    r = Kestrivane({"inspect", At("got/box.dat")});
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("note: no Application Software section: an empty section leaves no file"), std::string::npos)
        << r.out;
    r = Kestrivane({"--port", box.Port(), "upload", "--yes", At("got/box.dat")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(Has(r, "Application Software: not sent, " + At("got/box.ur5") + " is not there")) << r.err;
    box.Stop();
    EXPECT_EQ(Read("served/recorded.ur4"), Read("got/box.ur4"));
}

// A second Ctrl-C stops the program at once, between two packets' writes.
TEST_F(CommandLine, ASecondCtrlCLeavesWholePacketsOnly) {
    BoxProcess box({"--synthetic", "32,16,4,4,16", "--baud", "115200", "--power-on-delay", "0", "--etb-period", "20"});
    for (int gap : {20, 45}) {
        const ProcessResult r =
            Kestrivane({"--port", box.Port(), "download", At("got/x.dat")}, {{2500, SIGINT}, {2500 + gap, SIGINT}});
        EXPECT_EQ(r.status, 128 + SIGINT) << r.err;
        const StoredFile f = AnalyseStoredFile(At("got/x.incomplete.ur1"));
        EXPECT_GT(f.packets.size(), 0u) << gap;
        EXPECT_TRUE(f.problems.empty()) << gap << ": " << (f.problems.empty() ? "" : f.problems[0].text);
    }
}

TEST_F(CommandLine, TraceAndLogAreWritableBeforeTheBoxIsTouched) {
    BoxProcess box(FastBox({"--synthetic", "16,16,0,4,16", "--record", At("served")}));
    for (const char* option : {"--trace", "--log"}) {
        // A disk that fills up during the transfer: the record is incomplete, and said.
        ProcessResult r = Kestrivane({"--port", box.Port(), "download", "--yes", option, "/dev/full", At("got/a.dat")});
        EXPECT_EQ(r.status, 1) << option << ": " << r.err;
        EXPECT_TRUE(Has(r, "/dev/full") && Has(r, "No space left on device")) << r.err;
        EXPECT_TRUE(Exists("got/a.ur1")) << "the image itself came down whole";
        // One that cannot be written at all: refused before the box is touched.
        r = Kestrivane({"--port", box.Port(), "download", "--yes", option, At("no/such/folder"), At("got/a.dat")});
        EXPECT_EQ(r.status, 2) << option;
        EXPECT_TRUE(Has(r, "no/such/folder: No such file or directory")) << r.err;
        r = Kestrivane({"--port", box.Port(), "upload", "--yes", option, At("got"), At("got/a.dat")});
        EXPECT_EQ(r.status, 2) << option;
        EXPECT_TRUE(Has(r, "got: Is a directory")) << r.err;
    }
    EXPECT_EQ(box.Stop().find("received"), std::string::npos) << "no upload reached the box";
}

bool AnyProcessMentions(const std::string& text) {
    DIR* proc = opendir("/proc");
    bool found = false;
    while (dirent* entry = readdir(proc)) {
        std::ifstream in(std::string("/proc/") + entry->d_name + "/cmdline");
        std::string cmdline((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        found = found || cmdline.find(text) != std::string::npos;
    }
    closedir(proc);
    return found;
}

TEST_F(CommandLine, SeveralBoxesNeverShareAFileOrAPort) {
    fs::create_directories(At("l1"));
    fs::create_directories(At("l2"));
    fs::create_symlink("/dev/null", At("l1/com1"));
    fs::create_symlink("/dev/zero", At("l2/com1"));
    ProcessResult r = Kestrivane({"--port", At("l1/com1"), "--port", At("l2/com1"), "download", At("got/img-{port}")});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(Has(r, "the ports " + At("l1/com1") + " and " + At("l2/com1") + " give one image name")) << r.err;
    r = Kestrivane({"--port", "/dev/null", "--port", At("l1/com1"), "verify", At("got/img.dat")});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(Has(r, "are one device")) << r.err;

    // Workers end with their parent, however it ends.
    std::vector<std::unique_ptr<BoxProcess>> boxes;
    std::vector<std::string> args;
    for (int i = 0; i < 2; ++i) {
        boxes.push_back(std::make_unique<BoxProcess>(FastBox({"--synthetic", "3,16,0,4,3", "--fault", "silence-between:flash"})));
        args.insert(args.end(), {"--port", boxes.back()->Port()});
    }
    args.insert(args.end(), {"download", At("got/orphan-{port}.dat")});
    r = Kestrivane(args, {{2000, SIGKILL}});
    EXPECT_EQ(r.status, 128 + SIGKILL);
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (AnyProcessMentions(At("got/orphan-")) && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(AnyProcessMentions(At("got/orphan-"))) << "a worker outlived its parent";
}

}  // namespace
