// Putting a downloaded image in place: the order of the flushes and moves, every move
// undone when one fails, and a crash before any disk call finished or taken back by
// the next command, so that the name holds one image, whole.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "app/cli/image/image_replace.h"
#include "core/section_kind.h"
#include "support/recording_disk.h"

namespace {

namespace fs = std::filesystem;

using Files = std::map<std::string, std::string>;

class ImagePlacement : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("kv-place-" + std::to_string(::getpid()));
        Fill(true);
    }
    void TearDown() override { fs::remove_all(dir_); }

    // The old image has all five sections (with `old`); the new one no Application Software.
    void Fill(bool old) {
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        names_ = NamesOf((dir_ / "box.dat").string());
        oldImage_.clear();
        if (old) {
            oldImage_["box.dat"] = "old index\n";
            for (SectionKind kind : AllSections) oldImage_[Name(names_.sections, kind)] = std::string("old ") + SectionSuffix(kind);
        }
        newImage_ = {{"box.dat", Text(names_.sections)}};
        Files incomplete = {{"box.incomplete.dat", "incomplete index\n"}};
        for (SectionKind kind : AllSections) {
            if (kind == SectionKind::ApplicationSoftware) continue;
            newImage_[Name(names_.sections, kind)] = std::string("new ") + SectionSuffix(kind);
            incomplete[Name(names_.incompleteSections, kind)] = std::string("new ") + SectionSuffix(kind);
        }
        for (const auto& files : {oldImage_, incomplete})
            for (const auto& [name, text] : files) std::ofstream(dir_ / name) << text;
        before_ = Folder();
    }

    static std::string Name(const std::array<std::string, SectionCount>& paths, SectionKind kind) {
        return fs::path(paths[static_cast<std::size_t>(SectionIndex(kind))]).filename().string();
    }
    static std::string Text(const std::array<std::string, SectionCount>& paths) {
        std::string text;
        for (const std::string& path : paths) text += path + "\n";
        return text;
    }
    // Every file of the folder with its contents.
    Files Folder() const {
        Files files;
        for (const auto& entry : fs::directory_iterator(dir_)) {
            std::ostringstream text;
            text << std::ifstream(entry.path()).rdbuf();
            files[entry.path().filename().string()] = text.str();
        }
        return files;
    }
    // The files under the image's own names.
    Files UnderTheName() const {
        Files files;
        for (const auto& [name, text] : Folder())
            if (name == "box.dat" || (name.size() == 7 && name.rfind("box.ur", 0) == 0)) files[name] = text;
        return files;
    }
    // Whether the new image stands whole under its incomplete names.
    bool NewImageWaits() const {
        const Files folder = Folder();
        for (SectionKind kind : AllSections) {
            const auto f = folder.find(Name(names_.incompleteSections, kind));
            const auto wanted = newImage_.find(Name(names_.sections, kind));
            if ((f == folder.end()) != (wanted == newImage_.end())) return false;
            if (f != folder.end() && f->second != wanted->second) return false;
        }
        return folder.count("box.dat.kestrivane-move") == 1;
    }

    fs::path dir_;
    ImageNames names_;
    Files oldImage_, newImage_, before_;
};

TEST_F(ImagePlacement, FlushesBeforeNamingAndRemovesTheOldImageLast) {
    RecordingDisk disk;
    const Placement placed = PutImageInPlace(names_, disk);
    ASSERT_TRUE(placed.placed) << placed.why;
    EXPECT_EQ(Folder(), newImage_) << "the old .ur5 goes with the old image";
    const std::vector<std::string> order = {
        "write box.dat.kestrivane-move",
        "sync box.incomplete.ur1", "sync box.incomplete.ur2", "sync box.incomplete.ur3", "sync box.incomplete.ur4",
        "sync folder",
        "rename box.dat box.dat.kestrivane-old", "rename box.ur1 box.ur1.kestrivane-old", "rename box.ur2 box.ur2.kestrivane-old",
        "rename box.ur3 box.ur3.kestrivane-old", "rename box.ur4 box.ur4.kestrivane-old",
        "rename box.ur5 box.ur5.kestrivane-old",
        "rename box.incomplete.ur1 box.ur1", "rename box.incomplete.ur2 box.ur2",
        "rename box.incomplete.ur3 box.ur3", "rename box.incomplete.ur4 box.ur4",
        "write box.dat.kestrivane-new", "rename box.dat.kestrivane-new box.dat",
        "sync folder",
        "remove box.dat.kestrivane-old", "remove box.ur1.kestrivane-old", "remove box.ur2.kestrivane-old", "remove box.ur3.kestrivane-old",
        "remove box.ur4.kestrivane-old", "remove box.ur5.kestrivane-old",
        "remove box.incomplete.dat", "remove box.dat.kestrivane-move", "sync folder"};
    EXPECT_EQ(disk.calls, order);
}

// Whichever move fails, or the folder's flush: the old image whole under its name, the
// new one whole under its incomplete names with its record, and the reason; the next
// download is told it waits.
TEST_F(ImagePlacement, AFailedStepUndoesEveryMove) {
    for (int step = 0; step < 11; ++step) {  // 6 aside, 4 in, the index
        RecordingDisk disk;
        disk.failAt = step;
        const Placement placed = PutImageInPlace(names_, disk);
        EXPECT_FALSE(placed.placed) << step;
        EXPECT_NE(placed.why.find(std::strerror(EPERM)), std::string::npos) << step << ": " << placed.why;
        EXPECT_EQ(UnderTheName(), oldImage_) << step;
        EXPECT_TRUE(NewImageWaits()) << step;
        EXPECT_EQ(SettleEarlierMove(names_, SystemDisk()).what, EarlierMove::Waits) << step;
        fs::remove(names_.record);
        EXPECT_EQ(Folder(), before_) << step;
    }
    RecordingDisk disk;
    disk.failSyncFolder = EIO;
    EXPECT_FALSE(PutImageInPlace(names_, disk).placed);
    EXPECT_EQ(UnderTheName(), oldImage_);
    fs::remove(names_.record);

    fs::remove(names_.sections[2]);
    fs::create_directory(names_.sections[2]);
    const Placement placed = PutImageInPlace(names_, disk);
    EXPECT_NE(placed.why.find("box.ur3 is a folder"), std::string::npos) << placed.why;
    EXPECT_TRUE(fs::exists(names_.incompleteSections[0]));
}

// A crash as the placement enters any call that changes the disk, of a replace and of
// a first download; then the next command. Forward: the name holds the new image, or
// (nothing moved yet) the old one with the new waiting whole. Back (a new file damaged
// after the crash, while the old image is still all there): the old image again.
TEST_F(ImagePlacement, ACrashAnywhereIsFinishedOrTakenBackByTheNextCommand) {
    for (bool replace : {true, false}) {
        RecordingDisk whole;
        Fill(replace);
        PutImageInPlace(names_, whole);
        for (std::size_t at = 0; at < whole.calls.size(); ++at) {
            for (bool damaged : {false, true}) {
                Fill(replace);
                RecordingDisk disk;
                disk.crashAt = static_cast<int>(at);
                EXPECT_THROW(PutImageInPlace(names_, disk), Crash);
                const std::string where = (replace ? "replace, " : "first, ") + whole.calls[at];
                bool oldAllThere = true;  // under its names or aside
                const Files folder = Folder();
                for (const auto& [name, text] : oldImage_) {
                    const auto at = folder.find(name), aside = folder.find(name + ".kestrivane-old");
                    oldAllThere = oldAllThere && ((at != folder.end() && at->second == text) ||
                                                  (aside != folder.end() && aside->second == text));
                }
                if (damaged && !(oldAllThere && fs::exists(names_.record))) continue;
                if (damaged) {
                    const std::string ur2 = fs::exists(names_.incompleteSections[1]) ? names_.incompleteSections[1]
                                                                                      : names_.sections[1];
                    std::ofstream(ur2, std::ios::app) << "x";
                }
                const Settlement settled = SettleEarlierMove(names_, SystemDisk());
                const Files now = UnderTheName();
                if (damaged) {
                    EXPECT_EQ(settled.what, EarlierMove::TakenBack) << where;
                    EXPECT_EQ(now, oldImage_) << where;
                    EXPECT_FALSE(fs::exists(names_.record)) << where;
                } else if (settled.what == EarlierMove::Waits) {
                    EXPECT_TRUE(replace) << where;
                    EXPECT_EQ(now, oldImage_) << where;
                    EXPECT_TRUE(NewImageWaits()) << where;
                } else if (settled.what == EarlierMove::None && at == 0) {
                    EXPECT_EQ(now, oldImage_) << where << ": the record was not there yet";
                } else {
                    EXPECT_EQ(now, newImage_) << where << ": " << settled.said;
                    EXPECT_EQ(Folder(), newImage_) << where << ": nothing left beside it";
                }
            }
        }
    }
    // A record cut short as it was written: nothing is touched.
    Fill(true);
    std::ofstream(names_.record) << "kestrivane move record 1\nold\tbox.ur1\nnew\tbox.incomp";
    EXPECT_EQ(SettleEarlierMove(names_, SystemDisk()).what, EarlierMove::Unreadable);
    EXPECT_EQ(UnderTheName(), oldImage_);
}

}  // namespace
