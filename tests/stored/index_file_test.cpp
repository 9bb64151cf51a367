#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include "app/files/stdio_image_files.h"
#include "box/image.h"
#include "download/download_session.h"
#include "stored/index_file.h"
#include "support/session_rig.h"

namespace {

using box::Bytes;

Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

TEST(IndexFile, FiveLinesWithLfAloneForAnyChosenPath) {
    SessionRig rig(box::SyntheticImage({}));
    StdioImageSink files;
    int error = 0;
    const std::string dat = rig.Path("box.dat");
    box::WriteFileBytes(dat, Bytes(500, 'x'));  // an existing file is truncated
    EXPECT_EQ(WriteIndexFile(dat, files, rig.display, &error), 0);
    const std::string stem = dat.substr(0, dat.size() - 3);
    EXPECT_EQ(rig.FileBytes(dat), Text(stem + "ur1\n" + stem + "ur2\n" + stem + "ur3\n" + stem + "ur4\n" + stem + "ur5\n"));
    EXPECT_EQ(rig.FileBytes(dat).size(), 5 * (dat.size() + 1));

    const std::string data = rig.Path("box.data");  // the last three characters go, whatever they are
    EXPECT_EQ(WriteIndexFile(data, files, rig.display, &error), 0);
    const std::string dstem = data.substr(0, data.size() - 3);
    EXPECT_EQ(rig.FileBytes(data), Text(dstem + "ur1\n" + dstem + "ur2\n" + dstem + "ur3\n" + dstem + "ur4\n" + dstem + "ur5\n"));
    EXPECT_EQ(dstem.substr(dstem.size() - 5), "box.d");

    EXPECT_EQ(WriteIndexFile(rig.Path("no-such-dir/box.dat"), files, rig.display, &error), 1);
    EXPECT_EQ(rig.display.MessageTexts(), std::vector<std::string>{"Unable to create a file"});
    EXPECT_EQ(error, ENOENT) << "and the system's reason";
}

TEST(IndexFile, OddChosenPathsNameTheSectionFilesByTheSameRule) {
    namespace fs = std::filesystem;
    const box::Image image = box::SyntheticImage({});
    {
        SessionRig rig(image);
        ASSERT_EQ(RunDownload(rig.NewSession(), rig.Path("boxes")), 0);
        EXPECT_EQ(rig.FileBytes(rig.Path("bour1")), image[SectionKind::FlashDatabase]->FileBytes());
        EXPECT_TRUE(rig.Exists(rig.Path("bour5")));
    }
    {   // Three characters: the bare suffixes, in the current directory.
        SessionRig rig(image);
        const fs::path saved = fs::current_path();
        fs::current_path(rig.Path(""));
        const int result = RunDownload(rig.NewSession(), "a.b");
        fs::current_path(saved);
        ASSERT_EQ(result, 0);
        EXPECT_EQ(rig.FileBytes(rig.Path("a.b")), Text("ur1\nur2\nur3\nur4\nur5\n"));
        EXPECT_EQ(rig.FileBytes(rig.Path("ur4")), image[SectionKind::EepromDatabase]->FileBytes());
    }
}

}  // namespace
