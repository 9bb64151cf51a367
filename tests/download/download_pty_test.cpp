// A download through the POSIX serial link from the emulated box on a pty.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/config/config.h"
#include "box/synthetic_image.h"
#include "download/download_session.h"
#include "support/pty_box_thread.h"
#include "support/recording_display.h"
#include "support/test_session.h"

namespace {

namespace fs = std::filesystem;

TEST(DownloadOverPty, GivesTheSameFilesAsTheBoxHolds) {
    box::SyntheticPlan plan;
    plan.packets = {32, 16, 0, 4, 16};
    const box::Image image = box::SyntheticImage(plan);
    PtyBoxThread boxThread(image);

    const fs::path dir = fs::temp_directory_path() / "kv-download-over-pty";
    fs::remove_all(dir);
    fs::create_directories(dir);
    UseConfigFile((dir / "config.ini").string());
    std::ofstream(ConfigPath) << "[OPTIONS]\nLastDir=x\nPacketLength=2048\n";
    RecordingDisplay display;
    const std::unique_ptr<SerialBackend> port = MakePlatformSerialBackend();
    TestSession session(*port, display);
    session.settings.link.PortName = boxThread.Path();
    session.settings.link.BaudRate = 115200;

    const std::string chosen = (dir / "box.dat").string();
    ASSERT_EQ(RunDownload(session, chosen), 0);
    EXPECT_EQ(display.MessageTexts(), std::vector<std::string>{"Transfer Complete"});
    for (SectionKind kind : AllSections) {
        box::Bytes stored;
        ASSERT_TRUE(box::ReadFileBytes(SectionFilePath(chosen, kind), &stored));
        EXPECT_EQ(stored, image[kind]->FileBytes()) << SectionName(kind);
    }
    fs::remove_all(dir);
}

}  // namespace
