// Whole uploads against the emulated box on the virtual clock.
#include <gtest/gtest.h>

#include "core/packet.h"
#include "download/download_session.h"
#include "stored/urt_file_name.h"
#include "support/session_rig.h"
#include "upload/upload_session.h"

namespace {

using box::Bytes;

const char* kComplete = "Transfer Complete - Do not switch off box until 'BOOT' is displayed";

RigOptions UploadBox(std::vector<std::string> faults = {}, box::Micros powerOnAt = 0) {
    return {box::BoxMode::Upload, std::move(faults), powerOnAt};
}

void Tick(RecordingDisplay& display, std::initializer_list<SectionKind> kinds) {
    for (bool& c : display.checked) c = false;
    for (SectionKind k : kinds) display.checked[SectionIndex(k)] = true;
}

TEST(Upload, DownloadThenUploadReproducesTheImage) {
    const box::Image image = box::SyntheticImage({});
    SessionRig rig(image);
    const std::string chosen = rig.Path("box.dat");
    ASSERT_EQ(RunDownload(rig.NewSession(), chosen), 0);

    rig.NewBox(box::Image{}, UploadBox({}, 3'000'000));  // switched on 3 s after Transfer
    rig.display.Reset();
    ASSERT_EQ(RunUpload(rig.NewSession(), chosen), 0);

    const box::Image received = rig.box().ReceivedImage();
    for (SectionKind kind : AllSections) {
        ASSERT_TRUE(received[kind]) << SectionName(kind);
        EXPECT_EQ(received[kind]->FileBytes(), image[kind]->FileBytes()) << SectionName(kind);
    }
    EXPECT_TRUE(rig.box().Finished()) << "the closing ENQ arrived";
    ASSERT_EQ(rig.display.messages.size(), 1u);
    EXPECT_EQ(rig.display.messages[0].text, kComplete);
    EXPECT_EQ(rig.display.messages[0].caption, "Status");
    EXPECT_EQ(rig.display.messages[0].icon, MessageIcon::None);
    EXPECT_FALSE(rig.link().IsOpen());

    // The first ETB met a box still off: the second, 15 s later, was answered.
    const auto etbs = rig.link().WritesOf(ETB);
    ASSERT_EQ(etbs.size(), 2u + 4u);  // opening, then one handshake before each later section
    EXPECT_EQ(etbs[0], 0);
    EXPECT_EQ(etbs[1], 15'000'000);
    EXPECT_EQ(rig.link().log.back().kind, box::VirtualLink::Event::Closed);
    EXPECT_EQ(rig.link().log[rig.link().log.size() - 2].bytes, Bytes{ENQ});

    EXPECT_EQ(rig.link().Profiles(), (std::vector<std::string>{"15000", "50000", "1000/1000", "1000/1000", "1000/1000",
                                                                "1000/1000", "1000/1000"}));
    EXPECT_EQ(rig.display.StatusTexts(),
              (std::vector<std::string>{"Status: Turn On Box Holding Channel Down", "Status: Sending Flash Database",
                                        "Status: Sending Satellite Database", "Status: Sending Resource",
                                        "Status: Sending Eeprom Database", "Status: Sending Application Software",
                                        "Status: Transfer Complete"}));
    EXPECT_EQ(rig.display.events[0], "title Sending Status - Wait To Return To Main Screen");
    EXPECT_EQ(rig.display.events[1], "collapse") << "the files checked (the sections are settings) before the collapse";
    EXPECT_EQ(rig.display.events[2], "status Status: Turn On Box Holding Channel Down") << "then the port";
    EXPECT_EQ(rig.display.CountEvents("show sections"), 1);
    EXPECT_EQ(rig.display.title, "Sending Status - Packets re-sent: 0");
    EXPECT_EQ(rig.display.bars[1009].range, 4);
    EXPECT_EQ(rig.display.bars[1009].position, 4);
    EXPECT_TRUE(rig.priority.calls.empty() || rig.priority.calls.front() == "raise");
}

TEST(Upload, OnlyTickedSectionsTakePartWithAHandshakeBeforeEachLaterOne) {
    const box::Image image = box::SyntheticImage({});
    {   // Eeprom Database alone: its header request follows the opening ACK directly.
        SessionRig rig(image, UploadBox());
        box::WriteImage(rig.Path("box.dat"), image);
        Tick(rig.display, {SectionKind::EepromDatabase});
        ASSERT_EQ(RunUpload(rig.NewSession(), rig.Path("box.ur4")), 0);  // a section file's path names the same five
        EXPECT_EQ(rig.link().WritesOf(ETB).size(), 1u);
        ASSERT_EQ(rig.box().Received().size(), 1u);
        EXPECT_EQ(rig.box().Received()[0].bytes, image[SectionKind::EepromDatabase]->FileBytes());
        EXPECT_EQ(rig.LastSession().settings.sections, (std::array<bool, SectionCount>{false, false, false, true, false}));
    }
    {   // Flash and Application Software: one handshake, after the status changed.
        SessionRig rig(image, UploadBox());
        box::WriteImage(rig.Path("box.dat"), image);
        Tick(rig.display, {SectionKind::FlashDatabase, SectionKind::ApplicationSoftware});
        std::size_t etbsWhenApplicationCameUp = 0;
        rig.display.onPump = [&] {
            if (rig.display.status == "Status: Sending Application Software" && !etbsWhenApplicationCameUp)
                etbsWhenApplicationCameUp = rig.link().WritesOf(ETB).size();
        };
        ASSERT_EQ(RunUpload(rig.NewSession(), rig.Path("box.dat")), 0);
        EXPECT_EQ(etbsWhenApplicationCameUp, 1u);
        EXPECT_EQ(rig.link().WritesOf(ETB).size(), 2u);
        const box::Image received = rig.box().ReceivedImage();
        EXPECT_TRUE(received[SectionKind::FlashDatabase]);
        EXPECT_TRUE(received[SectionKind::ApplicationSoftware]);
        EXPECT_FALSE(received[SectionKind::SatelliteDatabase]);
    }
}

TEST(Upload, UrtFileIsSentOnItsOwnWithoutItsPrefix) {
    const box::Image image = box::SyntheticImage({});
    SessionRig rig(image, UploadBox());
    const Bytes section = image[SectionKind::Resource]->FileBytes();
    Bytes urt(UrtPrefixSize + section.size());
    const char prefix[] = "KVURT1";
    std::copy(section.begin(), section.end(), std::copy(prefix, prefix + UrtPrefixSize, urt.begin()));
    const std::string path = rig.Path("resource.Urt");
    box::WriteFileBytes(path, urt);
    rig.urt = IsUrtFileName(path);
    ASSERT_TRUE(rig.urt);

    ASSERT_EQ(RunUpload(rig.NewSession(), path), 0);
    ASSERT_EQ(rig.box().Received().size(), 1u);
    EXPECT_EQ(rig.box().Received()[0].bytes, section);
    EXPECT_EQ(rig.display.CountEvents("collapse"), 0);
    EXPECT_EQ(rig.display.CountEvents("show urt"), 1);
    EXPECT_EQ(rig.display.CountEvents("title Sending Status - Wait"), 0);
    EXPECT_EQ(rig.display.StatusTexts()[1], "Status: Sending URT file");
    EXPECT_EQ(rig.display.bars[1026].range, 48);
    EXPECT_EQ(rig.display.bars[1026].position, 48);
    EXPECT_EQ(rig.display.MessageTexts(), std::vector<std::string>{kComplete});
}

TEST(Upload, BoxThatStaysOffOrBabblesAtTheOpeningHandshake) {
    const box::Image image = box::SyntheticImage({});
    {   // Switched off: ETB at once and after 15 s, then given up 30 s after Transfer.
        SessionRig rig(image, UploadBox({"silent"}));
        box::WriteImage(rig.Path("box.dat"), image);
        EXPECT_EQ(RunUpload(rig.NewSession(), rig.Path("box.dat")), 1);
        EXPECT_EQ(rig.link().WritesOf(ETB), (std::vector<box::Micros>{0, 15'000'000}));
        EXPECT_EQ(rig.link().Now(), 30'000'000);
        EXPECT_TRUE(rig.display.messages.empty());
        EXPECT_FALSE(rig.link().IsOpen());
    }
    {   // Boot output: every byte is answered at once by another ETB.
        SessionRig rig(image, UploadBox({"noise"}));
        box::WriteImage(rig.Path("box.dat"), image);
        EXPECT_EQ(RunUpload(rig.NewSession(), rig.Path("box.dat")), 0);
        const auto etbs = rig.link().WritesOf(ETB);
        EXPECT_GT(etbs.size(), 50u);
        for (std::size_t i = 1; i < 50; ++i) EXPECT_LE(etbs[i] - etbs[i - 1], 50'000);
    }
}

TEST(Upload, FailuresOfTheSession) {
    const box::Image image = box::SyntheticImage({});
    {
        SessionRig rig(image, UploadBox());
        box::WriteImage(rig.Path("box.dat"), image);
        rig.link().openResult = SerialBackend::OpenStatus::CreateFailed;
        EXPECT_EQ(RunUpload(rig.NewSession(), rig.Path("box.dat")), 1);
        EXPECT_EQ(rig.display.MessageTexts(), std::vector<std::string>{"Failed to create a handle to COM port"});
        EXPECT_EQ(rig.display.messages[0].owner, MessageOwner::MainWindow);
    }
    {   // A missing or unusable file among those to send: refused before the port
        // opens, the box left as it was; a damaged one is named with what is wrong.
        const std::string missing = "missing", cut = "header cut", damaged = "data packet damaged";
        for (const std::string& damage : {missing, cut, damaged}) {
            SessionRig rig(image, UploadBox());
            box::WriteImage(rig.Path("box.dat"), image);
            Bytes resource = image[SectionKind::Resource]->FileBytes();
            if (damage == missing) {
                std::remove(rig.Path("box.ur3").c_str());
            } else {
                if (damage == cut) resource.resize(20);
                else resource[resource.size() - 40 * DataPacketSize + 100] ^= 0x40;  // in data packet 9's payload
                box::WriteFileBytes(rig.Path("box.ur3"), resource);
            }
            EXPECT_EQ(RunUpload(rig.NewSession(), rig.Path("box.dat")), 1);
            const std::string said = rig.display.MessageTexts().at(0);
            if (damage == missing) {
                EXPECT_EQ(said, "Could not open file");
            } else {
                EXPECT_EQ(said.rfind(rig.Path("box.ur3") + " cannot be sent: " +
                                         (damage == cut ? "header packet of 67 bytes, but only 20 follow"
                                                        : "data packet 9: checksum 0x"), 0), 0u) << said;
                EXPECT_NE(said.find(".\n\nNothing was sent to the box."), std::string::npos) << said;
            }
            EXPECT_EQ(rig.display.MessageTexts().size(), 1u);
            EXPECT_EQ(rig.display.messages[0].icon, MessageIcon::Error);
            EXPECT_TRUE(rig.link().WritesOf(ETB).empty()) << damage;
            EXPECT_TRUE(rig.box().Received().empty()) << damage;
            EXPECT_FALSE(rig.link().IsOpen());
        }
        // An unticked section's file is not looked at.
        SessionRig rig(image, UploadBox());
        box::WriteImage(rig.Path("box.dat"), image);
        std::remove(rig.Path("box.ur3").c_str());
        Tick(rig.display, {SectionKind::FlashDatabase, SectionKind::SatelliteDatabase});
        EXPECT_EQ(RunUpload(rig.NewSession(), rig.Path("box.dat")), 0);
    }
    {   // The box refuses a packet.
        SessionRig rig(image, UploadBox({"nak@3:satellite"}));
        box::WriteImage(rig.Path("box.dat"), image);
        EXPECT_EQ(RunUpload(rig.NewSession(), rig.Path("box.dat")), 1);
        EXPECT_EQ(rig.display.MessageTexts(),
                  std::vector<std::string>{"Error receiving data. Quit any other applications and try again"});
        EXPECT_EQ(rig.display.bars[1008].position, 3);
        EXPECT_FALSE(rig.link().IsOpen());
    }
}

// The box's first byte after a section's last packet is its verdict on that packet:
// heard in the next section's handshake, or before the closing ENQ.
TEST(Upload, ARefusedLastPacketIsNeverACompletion) {
    const box::Image image = box::SyntheticImage({});
    struct Case {
        const char* fault;
        bool urt;
        std::size_t sectionsReached;  // by the box, the refused one last
        const char* status;           // names the section refused
    };
    for (const Case& c : {Case{"nak-last:satellite", false, 2, "Status: Sending Satellite Database"},
                          Case{"nak-last:application", false, 5, "Status: Sending Application Software"},
                          Case{"nak-last:satellite", true, 1, "Status: Sending URT file"}}) {
        SessionRig rig(image, UploadBox({c.fault}));
        box::WriteImage(rig.Path("box.dat"), image);
        std::string chosen = rig.Path("box.dat");
        if (c.urt) {
            Bytes urt(UrtPrefixSize, 0x55);
            const Bytes satellite = image[SectionKind::SatelliteDatabase]->FileBytes();
            urt.insert(urt.end(), satellite.begin(), satellite.end());
            chosen = rig.Path("box.urt");
            box::WriteFileBytes(chosen, urt);
            rig.urt = true;
        }
        const std::string what = std::string(c.fault) + (c.urt ? " (URT)" : "");
        EXPECT_EQ(RunUpload(rig.NewSession(), chosen), 1) << what;
        ASSERT_EQ(rig.display.messages.size(), 1u) << what;
        EXPECT_EQ(rig.display.messages[0].text, "Error receiving data. Quit any other applications and try again");
        EXPECT_EQ(rig.display.messages[0].caption, "Error");
        EXPECT_EQ(rig.display.messages[0].icon, MessageIcon::Error);
        EXPECT_EQ(rig.display.messages[0].owner, MessageOwner::TransferDialog);
        EXPECT_EQ(rig.display.status, c.status) << what;
        EXPECT_FALSE(rig.link().IsOpen()) << what;
        EXPECT_FALSE(rig.box().Finished()) << what << ": no closing ENQ";
        ASSERT_EQ(rig.box().Received().size(), c.sectionsReached) << what;
        EXPECT_TRUE(rig.box().Received().back().refused) << what;
        EXPECT_EQ(rig.box().Received().back().packets + 1, rig.box().Received().back().announced) << what;
    }
}

TEST(Upload, CancelEndsEveryWaitQuietly) {
    const box::Image image = box::SyntheticImage({});
    struct Row {
        const char* where;
        std::vector<std::string> faults;
        std::function<bool(SessionRig&)> when;
        double readBound;
    };
    const Row rows[] = {
        {"opening handshake", {"silent"}, [](SessionRig&) { return true; }, 15.0},
        {"section handshake", {"silence-between:flash"},
         [](SessionRig& r) { return r.display.status == "Status: Sending Satellite Database" && r.Seconds() > 10; }, 1.0},
        {"header wait", {}, [](SessionRig& r) { return r.display.status == "Status: Sending Resource"; }, 1.0},
        {"data wait", {}, [](SessionRig& r) { return r.display.bars[1009].position == 2; }, 1.0},
        {"closing write", {}, [](SessionRig& r) { return r.display.bars[1010].position == 15; }, 1.0},
    };
    for (const Row& row : rows) {
        SessionRig rig(image, UploadBox(row.faults));
        box::WriteImage(rig.Path("box.dat"), image);
        double cancelledAt = -1;
        rig.display.onPump = [&] {
            if (!rig.cancel && row.when(rig)) {
                rig.cancel = 1;
                cancelledAt = rig.Seconds();
            }
        };
        EXPECT_EQ(RunUpload(rig.NewSession(), rig.Path("box.dat")), 1) << row.where;
        EXPECT_TRUE(rig.display.messages.empty()) << row.where;
        EXPECT_FALSE(rig.link().IsOpen()) << row.where;
        EXPECT_FALSE(rig.box().Finished()) << row.where << ": no closing ENQ";
        ASSERT_GE(cancelledAt, 0) << row.where;
        EXPECT_LE(rig.Seconds() - cancelledAt, row.readBound) << row.where;

        // The next transfer opens the port as usual.
        rig.cancel = 0;
        rig.display.onPump = nullptr;
        rig.NewBox(box::Image{}, UploadBox());
        EXPECT_EQ(RunUpload(rig.NewSession(), rig.Path("box.dat")), 0) << row.where;
    }
}

}  // namespace
