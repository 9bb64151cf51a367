// An image's names checked before the port opens, and what an earlier run left under
// them: a whole image that waits is never removed, a move cut short is finished by
// the next command, and inspect tells both without touching a file.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <sys/stat.h>

#include <cstring>
#include <map>
#include <sstream>

#include "app/cli/image/image_replace.h"
#include "app/cli/image/image_lock.h"
#include "app/cli/run/image_checks.h"
#include "stored/index_file.h"
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
        // Names that are not an image's own.
        {"got/x.ur1", "it is the name of a section file (.ur1: Flash Database); give the image a name of its own, "
                      "such as " + At("got/x.dat")},
        {"got/x.UR3", "it is the name of a section file (.ur3: Resource)"},
        {"got/x.urt", "it is the name of a URT file"},
        {"got/box.incomplete.dat", "it is the name a download of " + At("got/box.dat") + " comes down under"},
        {"got/share.abc", "are those of another image: " + At("got/share.dat") + " (its index lists them)"},
    };
    std::ofstream(At("got/share.dat")) << IndexFileText(At("got/share.dat"));
    EXPECT_EQ(Kestrivane({"--port", box.Port(), "download", "--yes", ""}).err,
              "kestrivane: an empty name: give the image a name, such as box.dat\n");
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
    std::string Text(const std::string& path) const {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    // The folder got/: each file's name and bytes.
    std::map<std::string, std::string> Folder() const {
        std::map<std::string, std::string> files;
        for (const auto& entry : fs::directory_iterator(At("got"))) files[entry.path().filename().string()] = Text(entry.path().string());
        return files;
    }
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

// A record is read only as the record of an image the tool would make, whose files
// it names and whose disk it describes; anything else is named and left alone.
TEST_F(EarlierRuns, ARecordIsTrustedOnlyForItsOwnImageWhereItAgreesWithTheDisk) {
    const ImageNames names = NamesOf(At("got/box.dat"));
    TwoImages();
    RecordingDisk failing;
    failing.failAt = 8;
    ASSERT_FALSE(PutImageInPlace(names, failing).placed);  // a whole image waits, with its record
    const std::string record = Text(names.record);
    const std::map<std::string, std::string> before = Folder();

    // A section file's record (as a download of box.ur1 once made) is not box.dat's.
    std::ofstream(At("got/box.ur1.kestrivane-move")) << "kestrivane move record 1\nold\tbox.ur2\nend\n";
    LinesVoice voice;
    ImageLock lock;
    EXPECT_EQ(PrepareReading(At("got/box.ur3"), &lock, voice), -1);
    lock.Release();
    ASSERT_FALSE(voice.Lines().empty());
    EXPECT_EQ(voice.Lines().back(), "note: " + At("got/box.ur1.kestrivane-move") + " is no move record of the "
                                    "tool's (it is the name of a section file (.ur1: Flash Database)): it is left as it is");
    fs::remove(At("got/box.ur1.kestrivane-move"));
    EXPECT_EQ(Folder(), before);

    // One that lists fewer old files than stand: nothing moves, and the ways out are said.
    std::string fewer = record;
    for (const char* line : {"old\tbox.ur2\n", "old\tbox.ur3\n"}) fewer.erase(fewer.find(line), std::strlen(line));
    std::ofstream(names.record) << fewer;
    Settlement s = SettleEarlierMove(names, SystemDisk());
    EXPECT_EQ(s.what, EarlierMove::Unreadable);
    EXPECT_NE(s.said.find("does not agree with the disk: box.ur2, box.ur3 stand but the record does not list them; "
                          "nothing was moved"), std::string::npos) << s.said;
    EXPECT_NE(s.said.find("drop the rest: rm " + At("got/box.incomplete.dat")), std::string::npos) << s.said;
    std::map<std::string, std::string> now = Folder();
    now[BaseName(names.record)] = record;
    EXPECT_EQ(now, before);

    // One that is no small regular file, or a link.
    fs::remove(names.record);
    ASSERT_EQ(mkfifo(names.record.c_str(), 0644), 0);
    EXPECT_NE(SettleEarlierMove(names, SystemDisk()).said.find("is a FIFO, not a regular file"), std::string::npos);
    fs::remove(names.record);
    std::ofstream(names.record) << record;

    // A link where the move writes its index: the move is left as it is, the link too.
    const std::string outside = At("served/outside");
    std::ofstream(outside) << "not the tool's";
    fs::create_symlink(outside, names.newIndex);
    for (const std::string& path : names.Files()) fs::remove(path);  // the waiting image would be put in place
    const ProcessResult r = Kestrivane({"--port", "/dev/null", "upload", "--yes", At("got/box.dat")});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(Has(r, "a link stands at " + names.newIndex)) << r.err;
    EXPECT_EQ(Text(outside), "not the tool's");
    EXPECT_FALSE(fs::exists(names.image));
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
