// Putting a downloaded image in place: the order of the flushes and moves, and every
// move undone when one fails.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "app/cli/image/image_replace.h"
#include "core/section_kind.h"

namespace {

namespace fs = std::filesystem;

// The machine's disk, each call recorded; the rename numbered `failAt` (from 0) fails.
class RecordingDisk final : public Disk {
public:
    std::vector<std::string> calls;
    int failAt = -1;
    int failSyncFolder = 0;  // the folder flush fails with this

    bool Exists(const std::string& path) override { return SystemDisk().Exists(path); }
    bool IsFolder(const std::string& path) override { return SystemDisk().IsFolder(path); }
    int Rename(const std::string& from, const std::string& to) override {
        calls.push_back("rename " + Name(from) + " " + Name(to));
        return renames_++ == failAt ? EPERM : SystemDisk().Rename(from, to);
    }
    int Remove(const std::string& path) override {
        calls.push_back("remove " + Name(path));
        return SystemDisk().Remove(path);
    }
    int SyncFile(const std::string& path) override {
        calls.push_back("sync " + Name(path));
        return SystemDisk().SyncFile(path);
    }
    int SyncFolder(const std::string& folder) override {
        calls.push_back("sync folder");
        return failSyncFolder ? failSyncFolder : SystemDisk().SyncFolder(folder);
    }
    int WriteFile(const std::string& path, const std::string& text) override {
        calls.push_back("write " + Name(path));
        return SystemDisk().WriteFile(path, text);
    }

private:
    static std::string Name(const std::string& path) { return fs::path(path).filename().string(); }
    int renames_ = 0;
};

class ImagePlacement : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("kv-place-" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        image_ = (dir_ / "box.dat").string();
        incomplete_ = IncompleteImageName(image_);
        // The old image has all five sections; the new one no Application Software.
        Write(image_, "old index\n");
        for (SectionKind kind : AllSections) Write(SectionFilePath(image_, kind), std::string("old ") + SectionSuffix(kind));
        Write(incomplete_, "incomplete index\n");
        for (SectionKind kind : AllSections)
            if (kind != SectionKind::ApplicationSoftware)
                Write(SectionFilePath(incomplete_, kind), std::string("new ") + SectionSuffix(kind));
        before_ = Folder();
    }
    void TearDown() override { fs::remove_all(dir_); }

    static void Write(const std::string& path, const std::string& text) { std::ofstream(path) << text; }
    // Every file of the folder with its contents.
    std::map<std::string, std::string> Folder() const {
        std::map<std::string, std::string> files;
        for (const auto& entry : fs::directory_iterator(dir_)) {
            std::ostringstream text;
            text << std::ifstream(entry.path()).rdbuf();
            files[entry.path().filename().string()] = text.str();
        }
        return files;
    }

    fs::path dir_;
    std::string image_, incomplete_;
    std::map<std::string, std::string> before_;
};

TEST_F(ImagePlacement, FlushesBeforeNamingAndRemovesTheOldImageLast) {
    RecordingDisk disk;
    const Placement placed = PutImageInPlace(incomplete_, image_, disk);
    ASSERT_TRUE(placed.placed) << placed.why;
    const std::map<std::string, std::string> expected = {
        {"box.dat", dir_.string() + "/box.ur1\n" + dir_.string() + "/box.ur2\n" + dir_.string() + "/box.ur3\n" +
                        dir_.string() + "/box.ur4\n" + dir_.string() + "/box.ur5\n"},
        {"box.ur1", "new ur1"}, {"box.ur2", "new ur2"}, {"box.ur3", "new ur3"}, {"box.ur4", "new ur4"}};
    EXPECT_EQ(Folder(), expected) << "the old .ur5 goes with the old image";
    const std::vector<std::string> order = {
        "sync box.incomplete.ur1", "sync box.incomplete.ur2", "sync box.incomplete.ur3", "sync box.incomplete.ur4",
        "write box.dat.kestrivane-new",
        "rename box.dat box.dat.kestrivane-old", "rename box.ur1 box.ur1.kestrivane-old",
        "rename box.ur2 box.ur2.kestrivane-old", "rename box.ur3 box.ur3.kestrivane-old",
        "rename box.ur4 box.ur4.kestrivane-old", "rename box.ur5 box.ur5.kestrivane-old",
        "rename box.incomplete.ur1 box.ur1", "rename box.incomplete.ur2 box.ur2",
        "rename box.incomplete.ur3 box.ur3", "rename box.incomplete.ur4 box.ur4",
        "rename box.dat.kestrivane-new box.dat",
        "sync folder",
        "remove box.dat.kestrivane-old", "remove box.ur1.kestrivane-old", "remove box.ur2.kestrivane-old",
        "remove box.ur3.kestrivane-old", "remove box.ur4.kestrivane-old", "remove box.ur5.kestrivane-old",
        "remove box.incomplete.dat", "sync folder"};
    EXPECT_EQ(disk.calls, order);
}

// Whichever move fails, or the folder's flush: the old image whole under its name, the
// new one whole under its incomplete names, and the reason.
TEST_F(ImagePlacement, AFailedStepUndoesEveryMove) {
    for (int step = 0; step < 11; ++step) {
        RecordingDisk disk;
        disk.failAt = step;
        const Placement placed = PutImageInPlace(incomplete_, image_, disk);
        EXPECT_FALSE(placed.placed) << step;
        EXPECT_NE(placed.why.find(std::strerror(EPERM)), std::string::npos) << step << ": " << placed.why;
        EXPECT_EQ(Folder(), before_) << step;
    }
    RecordingDisk disk;
    disk.failSyncFolder = EIO;
    EXPECT_FALSE(PutImageInPlace(incomplete_, image_, disk).placed);
    EXPECT_EQ(Folder(), before_);

    fs::remove(SectionFilePath(image_, SectionKind::Resource));
    fs::create_directory(SectionFilePath(image_, SectionKind::Resource));
    const Placement placed = PutImageInPlace(incomplete_, image_, disk);
    EXPECT_NE(placed.why.find("box.ur3 is a folder"), std::string::npos) << placed.why;
    EXPECT_TRUE(fs::exists(SectionFilePath(incomplete_, SectionKind::FlashDatabase)));
}

}  // namespace
