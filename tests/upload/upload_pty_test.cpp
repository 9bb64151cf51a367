// Round trips through the POSIX serial link and the emulated box on a pty.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/config/config.h"
#include "box/synthetic_image.h"
#include "core/packet.h"
#include "download/download_session.h"
#include "support/pty_box_thread.h"
#include "support/recording_display.h"
#include "support/test_session.h"
#include "upload/upload_session.h"

namespace {

namespace fs = std::filesystem;

// Waits until the box has handed over what it received in the session just ended.
const std::vector<box::ReceivedSection>& ReceivedBy(const PtyBoxThread& boxThread) {
    for (int i = 0; i < 200 && boxThread.Received().empty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return boxThread.Received();
}

TEST(UploadOverPty, DownloadedImageGoesBackByteForByteInBothModes) {
    box::SyntheticPlan plan;
    plan.packets = {32, 16, 0, 4, 16};
    const box::Image image = box::SyntheticImage(plan);
    const fs::path dir = fs::temp_directory_path() / "kv-upload-over-pty";
    fs::remove_all(dir);
    fs::create_directories(dir);
    UseConfigFile((dir / "config.ini").string());
    std::ofstream(ConfigPath) << "[OPTIONS]\nLastDir=x\nPacketLength=2048\n";
    RecordingDisplay display;
    const std::unique_ptr<SerialBackend> port = MakePlatformSerialBackend();
    // A session of each transfer, on this platform's port at 115200 bit/s.
    const auto session = [&](const std::string& portName, bool urt) {
        auto s = std::make_unique<TestSession>(*port, display);
        s->settings.link = {portName, 115200, 10};
        s->settings.urt = urt;
        return s;
    };
    const std::string chosen = (dir / "box.dat").string();
    {
        PtyBoxThread source(image);
        ASSERT_EQ(RunDownload(*session(source.Path(), false), chosen), 0);
    }
    {
        PtyBoxThread target(box::Image{});
        ASSERT_EQ(RunUpload(*session(target.Path(), false), chosen), 0);
        const auto& received = ReceivedBy(target);
        ASSERT_EQ(received.size(), 5u);
        for (SectionKind kind : AllSections)
            EXPECT_EQ(received[SectionIndex(kind)].bytes, image[kind]->FileBytes()) << SectionName(kind);
    }
    {
        box::Bytes urt(UrtPrefixSize, 0x17);
        const box::Bytes flash = image[SectionKind::FlashDatabase]->FileBytes();
        urt.insert(urt.end(), flash.begin(), flash.end());
        const std::string path = (dir / "flash.urt").string();
        box::WriteFileBytes(path, urt);
        PtyBoxThread target(box::Image{});
        ASSERT_EQ(RunUpload(*session(target.Path(), true), path), 0);
        const auto& received = ReceivedBy(target);
        ASSERT_EQ(received.size(), 1u);
        EXPECT_EQ(received[0].bytes, flash);
    }
    EXPECT_EQ(display.CountEvents("message Status|Transfer Complete"), 3);
    fs::remove_all(dir);
}

}  // namespace
