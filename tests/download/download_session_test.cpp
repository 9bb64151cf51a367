// Whole downloads against the emulated box on the virtual clock.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <functional>

#include "core/packet.h"
#include "download/download_session.h"
#include "support/session_rig.h"

namespace {

using box::Bytes;

box::Image Plan(std::array<int, SectionCount> packets) {
    box::SyntheticPlan plan;
    plan.packets = packets;
    return box::SyntheticImage(plan);
}

TEST(Download, StoresEverySectionByteForByteBesideItsIndexFile) {
    const box::Image image = box::SyntheticImage({});
    SessionRig rig(image);
    const std::string chosen = rig.Path("box.dat");
    ASSERT_EQ(RunDownload(rig.NewSession(), chosen), 0);

    for (SectionKind kind : AllSections)
        EXPECT_EQ(rig.FileBytes(SectionFilePath(chosen, kind)), image[kind]->FileBytes()) << SectionName(kind);
    const std::string stem = chosen.substr(0, chosen.size() - 3);
    const std::string index = stem + "ur1\n" + stem + "ur2\n" + stem + "ur3\n" + stem + "ur4\n" + stem + "ur5\n";
    EXPECT_EQ(rig.FileBytes(chosen), Bytes(index.begin(), index.end()));

    ASSERT_EQ(rig.display.messages.size(), 1u);
    EXPECT_EQ(rig.display.messages[0].text, "Transfer Complete");
    EXPECT_EQ(rig.display.messages[0].caption, "Status");
    EXPECT_EQ(rig.display.messages[0].icon, MessageIcon::None);
    EXPECT_EQ(rig.display.messages[0].owner, MessageOwner::TransferDialog);
    EXPECT_FALSE(rig.link().IsOpen());
    EXPECT_EQ(rig.link().Count(box::VirtualLink::Event::Opened), 1);
    EXPECT_EQ(rig.link().Count(box::VirtualLink::Event::Closed), 1);

    // Each section's own read profile, after the session's three; the session's
    // last-section profile brings the write total.
    EXPECT_EQ(rig.link().Profiles(), (std::vector<std::string>{"10000", "15000", "1000", "1000/1000", "1000/1000",
                                                              "1000/1000", "1000/1000", "2000/2000", "1000/1000"}));
    EXPECT_EQ(rig.priority.calls, (std::vector<std::string>{"raise", "critical", "normal", "critical", "normal",
                                                             "critical", "normal", "critical", "normal", "critical",
                                                             "normal"}));
    EXPECT_EQ(rig.display.StatusTexts(),
              (std::vector<std::string>{"Status: Turn On Box Holding Channel Up", "Status: Receiving Flash Database",
                                        "Status: Receiving Satellite Database", "Status: Receiving Resource",
                                        "Status: Receiving Eeprom Database", "Status: Receiving Application Software",
                                        "Status: Transfer Complete"}));
    EXPECT_EQ(rig.display.events[0], "title Receiving Status - Wait To Return To Main Screen");
    EXPECT_EQ(rig.display.title, "Receiving Status - Packets re-sent: 0");
    for (SectionKind kind : AllSections) {
        const int bar = SectionBar(kind);
        EXPECT_EQ(rig.display.bars[bar].position, rig.display.bars[bar].range) << SectionName(kind);
    }
    EXPECT_EQ(rig.display.bars[1009].range, 4);  // Eeprom Database, K = 1
}

TEST(Download, SilentBoxEndsQuietlyAfterTenAndFifteenSeconds) {
    SessionRig rig(box::SyntheticImage({}), {box::BoxMode::Auto, {"silent"}});
    const std::string chosen = rig.Path("box.dat");
    EXPECT_EQ(RunDownload(rig.NewSession(), chosen), 1);
    EXPECT_EQ(rig.link().Now(), 25'000'000);
    EXPECT_TRUE(rig.display.messages.empty());
    EXPECT_FALSE(rig.link().IsOpen());
    EXPECT_TRUE(rig.Exists(chosen));
    EXPECT_FALSE(rig.Exists(rig.Path("box.ur1")));
}

TEST(Download, RunningEtbStreamAndNoiseAreTakenInTheirStride) {
    {   // Already announcing at Transfer: the first ETB ends the first wait, the
        // next one is answered, the one after that starts Flash Database.
        SessionRig rig(box::SyntheticImage({}), {box::BoxMode::Auto, {"etb-stream"}});
        ASSERT_EQ(RunDownload(rig.NewSession(), rig.Path("box.dat")), 0);
        const auto acks = rig.link().WritesOf(ACK);
        ASSERT_EQ(acks.size(), 6u);
        EXPECT_EQ(acks[0], 100'000);
        EXPECT_EQ(acks[1], 100'000);
    }
    {   // Stray bytes in every wait are read and dropped.
        const box::Image image = box::SyntheticImage({});
        SessionRig rig(image, {box::BoxMode::Auto, {"noise"}});
        ASSERT_EQ(RunDownload(rig.NewSession(), rig.Path("box.dat")), 0);
        for (SectionKind kind : AllSections)
            EXPECT_EQ(rig.FileBytes(rig.Path(std::string("box.") + SectionSuffix(kind))), image[kind]->FileBytes());
    }
}

TEST(Download, PortFailuresShowTheirMessageAndLeaveNothingOnDisk) {
    const struct {
        SerialBackend::OpenStatus status;
        const char* text;
        const char* caption;
    } rows[] = {
        {SerialBackend::OpenStatus::CreateFailed, "Failed to create a handle to COM port", "Handle Error"},
        {SerialBackend::OpenStatus::GetStateFailed, "Error while receiving COM port state", "Error"},
        {SerialBackend::OpenStatus::SetStateFailed, "Error while setting COM port state", "Error"},
    };
    for (const auto& row : rows) {
        SessionRig rig(box::SyntheticImage({}));
        rig.link().openResult = row.status;
        EXPECT_EQ(RunDownload(rig.NewSession(), rig.Path("box.dat")), 1);
        ASSERT_EQ(rig.display.messages.size(), 1u);
        EXPECT_EQ(rig.display.messages[0].text, row.text);
        EXPECT_EQ(rig.display.messages[0].caption, row.caption);
        EXPECT_EQ(rig.display.messages[0].owner, MessageOwner::MainWindow);
        EXPECT_FALSE(rig.Exists(rig.Path("box.dat")));
        EXPECT_EQ(rig.priority.calls, std::vector<std::string>{"raise"});
    }
}

TEST(Download, FilesThatCannotBeCreated) {
    namespace fs = std::filesystem;
    {   // No index file: reported, and the download goes on.
        const box::Image image = box::SyntheticImage({});
        SessionRig rig(image);
        fs::create_directory(rig.Path("box.dat"));
        EXPECT_EQ(RunDownload(rig.NewSession(), rig.Path("box.dat")), 0);
        EXPECT_EQ(rig.display.MessageTexts(), (std::vector<std::string>{"Unable to create a file", "Transfer Complete"}));
        EXPECT_EQ(rig.display.messages[0].icon, MessageIcon::Error);
        EXPECT_EQ(rig.FileBytes(rig.Path("box.ur5")), image[SectionKind::ApplicationSoftware]->FileBytes());
    }
    {   // No Satellite Database file: the download stops there.
        const box::Image image = box::SyntheticImage({});
        SessionRig rig(image);
        fs::create_directory(rig.Path("box.ur2"));
        EXPECT_EQ(RunDownload(rig.NewSession(), rig.Path("box.dat")), 1);
        EXPECT_EQ(rig.display.MessageTexts(), std::vector<std::string>{"Failed to create file"});
        EXPECT_FALSE(rig.link().IsOpen());
        EXPECT_EQ(rig.FileBytes(rig.Path("box.ur1")), image[SectionKind::FlashDatabase]->FileBytes());
        EXPECT_TRUE(rig.Exists(rig.Path("box.dat")));
        EXPECT_FALSE(rig.Exists(rig.Path("box.ur3")));
    }
    {   // Both: the first failure stands whole, its file and reason with it.
        SessionRig rig(box::SyntheticImage({}));
        fs::create_directory(rig.Path("box.dat"));
        fs::create_directory(rig.Path("box.ur2"));
        EXPECT_EQ(RunDownload(rig.NewSession(), rig.Path("box.dat")), 1);
        const SessionOutcome& o = rig.LastSession().outcome;
        EXPECT_EQ(o.message, MessageId::IndexFileNotCreated);
        EXPECT_EQ(o.file, rig.Path("box.dat"));
        EXPECT_NE(o.systemError, 0) << "the reason the index could not be made";
        const SectionCounts& flash = o.CountsOf(SectionKind::FlashDatabase);
        EXPECT_TRUE(flash.begun && flash.through == flash.announced && flash.through > 0) << "each section's counts";
    }
    {   // No Application Software file: what stands under its name is left alone.
        SessionRig rig(box::SyntheticImage({}));
        fs::create_directory(rig.Path("box.ur5"));
        EXPECT_EQ(RunDownload(rig.NewSession(), rig.Path("box.dat")), 1);
        EXPECT_EQ(rig.display.MessageTexts(), std::vector<std::string>{"Failed to create file"});
        EXPECT_TRUE(fs::is_directory(rig.Path("box.ur5")));
    }
}

TEST(Download, FailedSectionKeepsItsPartialFileExceptApplicationSoftware) {
    const box::Image image = box::SyntheticImage({});
    {
        SessionRig rig(image, {box::BoxMode::Auto, {"bad-checksum@3:resource"}});
        box::WriteFileBytes(rig.Path("box.ur4"), {'o', 'l', 'd'});  // from an earlier download
        EXPECT_EQ(RunDownload(rig.NewSession(), rig.Path("box.dat")), 1);
        EXPECT_EQ(rig.display.MessageTexts(),
                  std::vector<std::string>{"Error receiving data. Quit any other applications and try again"});
        const auto& resource = *image[SectionKind::Resource];
        Bytes partial = resource.header;
        for (int i = 0; i < 2; ++i) partial.insert(partial.end(), resource.packets[i].begin(), resource.packets[i].end());
        EXPECT_EQ(rig.FileBytes(rig.Path("box.ur3")), partial);
        EXPECT_EQ(rig.FileBytes(rig.Path("box.ur2")), image[SectionKind::SatelliteDatabase]->FileBytes());
        EXPECT_EQ(rig.FileBytes(rig.Path("box.ur4")), (Bytes{'o', 'l', 'd'}));
        EXPECT_FALSE(rig.link().IsOpen());
    }
    {
        SessionRig rig(image, {box::BoxMode::Auto, {"bad-checksum@2:application"}});
        EXPECT_EQ(RunDownload(rig.NewSession(), rig.Path("box.dat")), 1);
        EXPECT_FALSE(rig.Exists(rig.Path("box.ur5")));
        EXPECT_EQ(rig.FileBytes(rig.Path("box.ur4")), image[SectionKind::EepromDatabase]->FileBytes());
        EXPECT_TRUE(rig.Exists(rig.Path("box.dat")));
    }
}

TEST(Download, EmptyApplicationSoftwareCompletesWithoutItsFile) {
    SessionRig rig(Plan({16, 16, 16, 4, -1}));
    box::WriteFileBytes(rig.Path("box.ur5"), {'o', 'l', 'd'});
    EXPECT_EQ(RunDownload(rig.NewSession(), rig.Path("box.dat")), 0);
    ASSERT_EQ(rig.display.messages.size(), 1u);
    EXPECT_EQ(rig.display.messages[0].text,
              "Transfer Complete\n\nNote: The application data was empty therefore *.ur5 has not been created");
    EXPECT_EQ(rig.display.messages[0].caption, "Status");
    EXPECT_EQ(rig.display.messages[0].icon, MessageIcon::Warning);
    EXPECT_EQ(rig.display.bars[1010].range, 10);
    EXPECT_EQ(rig.display.bars[1010].position, 10);
    EXPECT_EQ(rig.display.status, "Status: Transfer Complete");
    EXPECT_EQ(rig.link().WritesOf(ACK).size(), 5u);  // handshake and four sections
    EXPECT_EQ(rig.FileBytes(rig.Path("box.ur5")), (Bytes{'o', 'l', 'd'}));
    EXPECT_FALSE(rig.link().IsOpen());
}

// Cancel pressed while the session waits: it ends at its next test of the flag,
// with the port closed and no message.
TEST(Download, CancelEndsEveryKindOfWait) {
    struct Row {
        const char* where;
        std::vector<std::string> faults;
        std::function<bool(SessionRig&)> when;  // tested at every pump
        double readBound;                       // the longest read of that wait
    };
    const Row rows[] = {
        {"first handshake wait", {"silent"}, [](SessionRig&) { return true; }, 10.0},
        {"second handshake wait", {"etb-stream", "noise"},
         [](SessionRig& r) { return r.link().Count(box::VirtualLink::Event::Timeouts) == 2; }, 15.0},
        {"section wait", {"silence-between:flash"},
         [](SessionRig& r) { return r.display.status == "Status: Receiving Satellite Database" && r.link().Now() > 60'000'000; },
         1.0},
        {"application wait", {"noise"},
         [](SessionRig& r) { return r.display.status == "Status: Receiving Application Software"; }, 2.0},
        {"between data packets", {}, [](SessionRig& r) { return r.display.bars[1008].position == 3; }, 1.0},
    };
    for (const Row& row : rows) {
        SessionRig rig(box::SyntheticImage({}), {box::BoxMode::Auto, row.faults});
        double cancelledAt = -1;
        rig.display.onPump = [&] {
            if (!rig.cancel && row.when(rig)) {
                rig.cancel = 1;
                cancelledAt = rig.Seconds();
            }
        };
        EXPECT_EQ(RunDownload(rig.NewSession(), rig.Path("box.dat")), 1) << row.where;
        EXPECT_TRUE(rig.display.messages.empty()) << row.where;
        EXPECT_FALSE(rig.link().IsOpen()) << row.where;
        ASSERT_GE(cancelledAt, 0) << row.where;
        EXPECT_LE(rig.Seconds() - cancelledAt, row.readBound) << row.where;
        EXPECT_FALSE(rig.Exists(rig.Path("box.ur5"))) << row.where;
    }
}

TEST(Download, PacketLengthSettingDecidesEachReadAndItsTime) {
    const box::Image image = Plan({16, 16, -1, -1, -1});
    // Time from Flash Database's ACK to Satellite Database's: the header read (1 s,
    // it waits out its time-out), the packets, and the box's 1.5 s before it
    // announces the next section.
    auto flashSeconds = [&](const char* setting) {
        SessionRig rig(image);
        rig.SetPacketLength(setting);
        rig.display.onPump = [&] {
            if (rig.link().WritesOf(ACK).size() == 3) rig.cancel = 1;
        };
        RunDownload(rig.NewSession(), rig.Path("box.dat"));
        EXPECT_EQ(rig.FileBytes(rig.Path("box.ur1")), image[SectionKind::FlashDatabase]->FileBytes()) << setting;
        const auto acks = rig.link().WritesOf(ACK);
        return acks.size() < 3 ? -1.0 : (acks[2] - acks[1]) / 1e6;
    };
    EXPECT_DOUBLE_EQ(flashSeconds("2048"), 2.5);
    // More than a full packet: every read waits out its second, and is accepted.
    EXPECT_DOUBLE_EQ(flashSeconds("2500"), 2.5 + 15.0);

    {   // Above 2979: a read never asks for more than the buffer holds.
        SessionRig rig(image);
        rig.SetPacketLength("2990");
        rig.display.onPump = [&] {
            if (rig.display.bars[1007].position == 2) rig.cancel = 1;
        };
        RunDownload(rig.NewSession(), rig.Path("box.dat"));
        int fullReads = 0;
        for (const auto& e : rig.link().log) {
            if (e.kind != box::VirtualLink::Event::ReadBytes) continue;
            EXPECT_LE(e.requested, PacketBufferSize);
            fullReads += e.requested == PacketBufferSize;
        }
        EXPECT_EQ(fullReads, 4);  // the header read, and data reads up to the one after the Cancel
    }
    for (const char* setting : {static_cast<const char*>(nullptr), "1000", "-5000"}) {
        // Missing (0), too small or negative: the first data packet cannot end in
        // its ETX, and the section fails.
        SessionRig rig(image);
        rig.SetPacketLength(setting);
        EXPECT_EQ(RunDownload(rig.NewSession(), rig.Path("box.dat")), 1);
        EXPECT_EQ(rig.display.MessageTexts(),
                  std::vector<std::string>{"Error receiving data. Quit any other applications and try again"});
        EXPECT_EQ(rig.FileBytes(rig.Path("box.ur1")), image[SectionKind::FlashDatabase]->header);
    }
}

#ifndef _WIN32
// A section file or the index file on a full disk (/dev/full under its name).
TEST(Download, WriteErrorsAreReportedAndFailTheirSection) {
    namespace fs = std::filesystem;
    const box::Image image = box::SyntheticImage({});
    for (const char* name : {"box.ur2", "box.ur5"}) {
        SessionRig rig(image);
        fs::create_symlink("/dev/full", rig.Path(name));
        EXPECT_EQ(RunDownload(rig.NewSession(), rig.Path("box.dat")), 1) << name;
        EXPECT_EQ(rig.display.MessageTexts(), std::vector<std::string>{"Failed to write file"}) << name;
        EXPECT_EQ(rig.display.messages[0].icon, MessageIcon::Error);
        EXPECT_EQ(rig.display.messages[0].owner, MessageOwner::TransferDialog);
        EXPECT_FALSE(rig.link().IsOpen());
        // Nothing after the failed section; a failed Application Software file is removed.
        EXPECT_FALSE(rig.Exists(rig.Path(name == std::string("box.ur2") ? "box.ur3" : "box.ur5"))) << name;
    }
    SessionRig rig(image);
    fs::create_symlink("/dev/full", rig.Path("box.dat"));
    EXPECT_EQ(RunDownload(rig.NewSession(), rig.Path("box.dat")), 0);
    EXPECT_EQ(rig.display.MessageTexts(), (std::vector<std::string>{"Unable to create a file", "Transfer Complete"}));
}
#endif

// PacketLength above 2048 and a box that announces its next section 0.9 s after a
// section's last packet: that packet's read ends with the announcement behind it.
TEST(Download, WholePacketAheadOfTheNextAnnouncementIsKept) {
    const box::Image image = Plan({16, 16, 16, 4, 16});
    RigOptions options;
    options.sectionGap = 900'000;
    SessionRig rig(image, options);
    rig.SetPacketLength("2500");
    ASSERT_EQ(RunDownload(rig.NewSession(), rig.Path("box.dat")), 0);
    for (SectionKind kind : AllSections)
        EXPECT_EQ(rig.FileBytes(rig.Path(std::string("box.") + SectionSuffix(kind))), image[kind]->FileBytes())
            << SectionName(kind);
}

// At 9600 bit/s a 2069-byte packet takes 2.2 s on the line: the reads wait for it.
TEST(Download, SlowLineGetsReadsLongEnoughForItsPackets) {
    const box::Image image = Plan({16, 16, 16, 4, 16});
    RigOptions options;
    options.byteTime = 1042;  // 9600 bit/s
    SessionRig rig(image, options);
    rig.linkSettings.BaudRate = 9600;
    rig.link().byteTime = 1042;
    ASSERT_EQ(RunDownload(rig.NewSession(), rig.Path("box.dat")), 0);
    for (SectionKind kind : AllSections)
        EXPECT_EQ(rig.FileBytes(rig.Path(std::string("box.") + SectionSuffix(kind))), image[kind]->FileBytes())
            << SectionName(kind);
    const auto profiles = rig.link().Profiles();
    EXPECT_EQ(profiles[3], "4006") << "the header request: 3000 bytes' wire time and a margin";
    EXPECT_EQ(profiles[4], "2795/1000") << "the data reads: 2069 bytes' wire time and a margin";
}

// The port goes away (a USB-serial adapter unplugged) while the session waits.
TEST(Download, LostPortEndsTheSessionWithItsMessage) {
    const struct {
        const char* where;
        std::vector<std::string> faults;
        box::Micros lostAt;
    } rows[] = {
        {"opening handshake", {"silent"}, 2'000'000},
        {"section wait", {"silence-between:flash"}, 40'000'000},
        {"between data packets", {}, 12'000'000},
    };
    for (const auto& row : rows) {
        SessionRig rig(box::SyntheticImage({}), {box::BoxMode::Auto, row.faults});
        rig.link().loseAt = row.lostAt;
        EXPECT_EQ(RunDownload(rig.NewSession(), rig.Path("box.dat")), 1) << row.where;
        EXPECT_EQ(rig.display.MessageTexts(), std::vector<std::string>{"Lost connection to COM port"}) << row.where;
        EXPECT_EQ(rig.display.messages[0].caption, "Error");
        EXPECT_FALSE(rig.link().IsOpen()) << row.where;
        EXPECT_LE(rig.link().Now(), row.lostAt + 1'000'000) << row.where;
    }
}

}  // namespace
