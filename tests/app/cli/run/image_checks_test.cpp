// An image's names checked before the port opens, and what an earlier run left under
// them: a whole image that waits is never removed, a move cut short is finished by
// the next command, and inspect tells both without touching a file.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "app/cli/image/image_replace.h"
#include "app/cli/run/signals.h"
#include "box/synthetic_image.h"
#include "support/command_line.h"
#include "support/recording_disk.h"

namespace {

namespace fs = std::filesystem;

bool Has(const ProcessResult& r, const std::string& text) { return r.err.find(text) != std::string::npos; }

TEST_F(CommandLine, WhatCanFailBeforeTheBoxIsFoundBeforeThePortOpens) {
    BoxProcess box(FastBox({"--synthetic", "16,16,4,4,16"}));
    fs::create_directories(At("got/box.incomplete.ur3"));
    std::ofstream(At("got/old.ur2.kestrivane-old")) << "old";
    const std::string longName(250, 'n');
    std::string deep = "got";
    while (deep.size() < 4100) deep += "/dd";
    const std::vector<std::pair<std::string, std::string>> refused = {
        {"got/a\nb.dat", "holds a control character"},
        {"got/dot.", "does not end in a three-letter extension: its section files would be " + At("got/dur1")},
        {"got/" + longName + ".dat",
         "is too long: the download would make " + longName + ".incomplete.dat, 265 bytes, where the file system takes 255"},
        {deep + "/x.dat", "is too long: the download would make"},
        {"nowhere/x.dat", "the folder " + At("nowhere") + " does not exist"},
        {"got/box.dat", "folders stand where the download makes files: " + At("got/box.incomplete.ur3")},
        {"got/old.dat", "files of an old image that a replace moved aside stand in the way: " +
                            At("got/old.ur2.kestrivane-old")},
    };
    for (const auto& [name, said] : refused) {
        const ProcessResult r = Kestrivane({"--port", box.Port(), "download", "--yes", At(name)});
        EXPECT_EQ(r.status, 2) << name;
        EXPECT_TRUE(Has(r, said)) << name << ": " << r.err;
    }
    // A file that cannot be written is named, with the system's reason.
    const ProcessResult r = RunProgram({"/bin/sh", "-c", "ulimit -f 8; exec \"$0\" \"$@\"", KV_CLI_BINARY, "--port",
                                        box.Port(), "download", At("got/small.dat")});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(Has(r, "cannot write " + At("got/small.incomplete.ur1") + ": File too large")) << r.err;
}

class EarlierRuns : public CommandLine {
protected:
    // The old image under the name, a new one whole under its incomplete names.
    void TwoImages() {
        fs::remove_all(At("got"));
        fs::create_directories(At("got"));
        box::SyntheticPlan oldPlan, newPlan;
        oldPlan.packets = {16, 4, 4, 4, 4};  // Flash whole: an upload of it sends no filler
        newPlan.packets = {3, 3, 3, 3, -1};
        newPlan.seed = 2;
        box::WriteImage(At("got/box.dat"), box::SyntheticImage(oldPlan));
        box::WriteImage(At("got/box.incomplete.dat"), box::SyntheticImage(newPlan));
        oldUr1_ = Read("got/box.ur1");
        newUr1_ = Read("got/box.incomplete.ur1");
    }
    box::Bytes oldUr1_, newUr1_;
};

TEST_F(EarlierRuns, AWholeImageThatWaitsIsKeptAndAMoveCutShortIsFinished) {
    BoxProcess silent(FastBox({"--synthetic", "4,4,4,4,4", "--fault", "silent"}));
    BoxProcess recording(FastBox({"--synthetic", "4,4,4,4,4", "--record", At("served")}));
    const ImageNames names = NamesOf(At("got/box.dat"));

    // A placement that failed: the new image waits. Inspect says so; a download stops
    // before the port and says how to keep it or drop it; an upload sends the old image.
    TwoImages();
    RecordingDisk failing;
    failing.failAt = 8;
    EXPECT_FALSE(PutImageInPlace(names, failing).placed);
    ProcessResult r = Kestrivane({"inspect", At("got/box.dat")});
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("note: the record of a move: a whole image that an earlier download could not put in place "
                         "waits under " + At("got/box.incomplete.dat")), std::string::npos) << r.out;
    r = Kestrivane({"--port", silent.Port(), "download", "--yes", At("got/box.dat")});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(Has(r, "to put it in the place of " + At("got/box.dat") + ": rm " + At("got/box.dat"))) << r.err;
    EXPECT_TRUE(Has(r, "drop the waiting image: rm " + At("got/box.incomplete.dat"))) << r.err;
    EXPECT_EQ(Read("got/box.incomplete.ur1"), newUr1_);
    r = Kestrivane({"--port", recording.Port(), "upload", "--yes", At("got/box.dat")});
    EXPECT_EQ(r.status, 0) << r.err;
    recording.Stop();
    EXPECT_EQ(Read("served/recorded.ur1"), oldUr1_);
    // With the old image removed by hand, the next download puts the waiting one in place first.
    for (const std::string& path : names.Files()) fs::remove(path);
    r = Kestrivane({"--port", silent.Port(), "download", "--yes", At("got/box.dat")}, 1500);
    EXPECT_EQ(r.status, 128 + SIGINT);
    EXPECT_TRUE(Has(r, "put in place the whole image that an earlier download left under")) << r.err;
    EXPECT_EQ(Read("got/box.ur1"), newUr1_);

    // A move cut short half-way: inspect tells it (status 1); the next command finishes it.
    TwoImages();
    RecordingDisk crashing;
    crashing.crashAt = 9;  // as the third old file goes aside
    EXPECT_THROW(PutImageInPlace(names, crashing), Crash);
    r = Kestrivane({"inspect", At("got/box.dat")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("holds parts of two images; the next download, upload or verify of " + At("got/box.dat") +
                         " finishes it"), std::string::npos) << r.out;
    r = Kestrivane({"--port", silent.Port(), "verify", At("got/box.dat")}, 1500);
    EXPECT_TRUE(Has(r, "finished the move of an earlier download that was cut short")) << r.err;
    EXPECT_EQ(Read("got/box.ur1"), newUr1_);
    EXPECT_EQ(Kestrivane({"inspect", At("got/box.dat")}).status, 0);

    // An index that is not there, or whose lines name other files, is a problem; an
    // upload of an index that is not there is refused.
    fs::rename(At("got/box.dat"), At("got/renamed.dat"));
    for (SectionKind kind : AllSections)
        if (fs::exists(names.sections[SectionIndex(kind)]))
            fs::rename(names.sections[SectionIndex(kind)], SectionFilePath(At("got/renamed.dat"), kind));
    r = Kestrivane({"inspect", At("got/renamed.dat")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("lists " + At("got/box.ur1") + " as its Flash Database file, but an upload of it sends " +
                         At("got/renamed.ur1")), std::string::npos) << r.out;
    fs::remove(At("got/renamed.dat"));
    r = Kestrivane({"inspect", At("got/renamed.dat")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("not there: the index file of the section files beside it"), std::string::npos) << r.out;
    r = Kestrivane({"--port", silent.Port(), "upload", "--yes", At("got/renamed.dat")});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(Has(r, "cannot upload: " + At("got/renamed.dat") + " is not there")) << r.err;
}

// A stop signal that comes while an image is put in place is told to the mover; a
// second one stops the program, but only once the image stands.
TEST(PlacementHold, LetsTheImageStandBeforeASecondStop) {
    EXPECT_EXIT(
        {
            CatchStopSignals();
            {
                const PlacementHold held;
                std::raise(SIGINT);
                if (held.StopCame() != SIGINT || StopsAsked() != 1) std::_Exit(3);
                std::raise(SIGINT);
                std::fputs("still placing\n", stderr);
            }
            std::_Exit(0);
        },
        ::testing::KilledBySignal(SIGINT), "still placing");
}

}  // namespace
