// The emulated box's side of a download, driven by hand.
#include <gtest/gtest.h>

#include "box/synthetic_image.h"
#include "core/packet.h"
#include "support/box_script.h"

namespace {

using box::Bytes;

box::Image SmallImage() {
    box::SyntheticPlan plan;
    plan.packets = {3, 2, 0, 4, 1};
    return box::SyntheticImage(plan);
}

box::Box MakeBox(const box::Image& image, std::vector<std::string> faults = {}) {
    box::BoxOptions options;
    options.mode = box::BoxMode::Download;
    for (const auto& text : faults) {
        std::string error;
        options.faults.push_back(*box::ParseFault(text, &error));
    }
    return box::Box(image, options);
}

// Acknowledges one announcement and fetches the section as the tool would.
box::StoredSection FetchSection(BoxScript& s, SectionKind kind) {
    EXPECT_TRUE(s.WaitFor(ETB, 5000));
    s.Send(ACK);
    s.Send(ENQ);
    box::StoredSection section;
    section.header = s.Read(PacketBufferSize, 1000);  // usually more: it waits out its time-out
    section.header.resize(PacketPayloadLength(section.header.data()) + PacketFramingSize);
    const unsigned announced = HeaderPacketCount(section.header.data(), kind);
    for (unsigned i = 0; i < announced; ++i) {
        s.Send(ENQ);
        Bytes packet = s.Read(DataPacketSize, 1000);
        if (packet.empty()) break;
        section.packets.push_back(packet);
    }
    return section;
}

TEST(BoxDownload, ServesEverySectionByteForByteAndEndsShortSectionsInSilence) {
    const box::Image image = SmallImage();
    box::Box b = MakeBox(image);
    b.PowerOn(2'000'000);
    BoxScript s(b);

    // Nothing before power-on; then ETB every 100 ms until ACK.
    EXPECT_TRUE(s.Read(1, 1500).empty());
    EXPECT_EQ(s.Read(5, 1000), Bytes(5, ETB));
    EXPECT_NEAR(s.Seconds(), 2.4, 1e-9);
    s.Send(ACK);

    for (SectionKind kind : AllSections) {
        if (kind == SectionKind::ApplicationSoftware) break;
        const box::StoredSection got = FetchSection(s, kind);
        EXPECT_EQ(got.FileBytes(), image[kind]->FileBytes()) << SectionName(kind);
    }
    // Application Software holds 1 of the 16 packets it announces: the second
    // request meets silence, and the box has nothing left to announce.
    const box::StoredSection app = FetchSection(s, SectionKind::ApplicationSoftware);
    EXPECT_EQ(app.FileBytes(), image[SectionKind::ApplicationSoftware]->FileBytes());
    EXPECT_EQ(b.DataRequests(), 3 + 2 + 0 + 4 + 1);  // requests beyond what a section holds go unanswered
    EXPECT_TRUE(b.Finished());
    EXPECT_TRUE(s.Read(1, 5000).empty());
}

TEST(BoxDownload, AnnouncesTheNextSectionAfterAGapWhenASectionRanShort) {
    box::SyntheticPlan plan;
    plan.packets = {20, 16, -1, -1, -1};  // Flash announces 32
    box::Box b = MakeBox(box::SyntheticImage(plan));
    b.PowerOn(0);
    BoxScript s(b);
    ASSERT_TRUE(s.WaitFor(ETB, 1000));
    s.Send(ACK);
    EXPECT_EQ(FetchSection(s, SectionKind::FlashDatabase).packets.size(), 20u);  // the 21st request: silence
    const double afterTimeOut = s.Seconds();
    EXPECT_TRUE(s.WaitFor(ETB, 1000));
    EXPECT_NEAR(s.Seconds() - afterTimeOut, 0.5, 1e-9);  // 1.5 s after the last packet
    EXPECT_EQ(FetchSection(s, SectionKind::SatelliteDatabase).packets.size(), 16u);
}

TEST(BoxDownload, AbsentApplicationSoftwareIsNeverAnnounced) {
    box::SyntheticPlan plan;
    plan.packets = {1, 1, 1, 1, -1};
    box::Box b = MakeBox(box::SyntheticImage(plan));
    b.PowerOn(0);
    BoxScript s(b);
    ASSERT_TRUE(s.WaitFor(ETB, 1000));
    s.Send(ACK);
    for (int i = 0; i < 4; ++i) FetchSection(s, AllSections[i]);
    EXPECT_TRUE(b.Finished());
    EXPECT_TRUE(s.Read(1, 10000).empty());
}

TEST(BoxDownload, EachFaultShowsOnTheLine) {
    const box::Image image = SmallImage();
    const Bytes& flash1 = image[SectionKind::FlashDatabase]->packets[0];

    {  // silent: nothing, ever
        box::Box b = MakeBox(image, {"silent"});
        b.PowerOn(0);
        BoxScript s(b);
        EXPECT_TRUE(s.Read(1, 30000).empty());
    }
    {  // noise: a stray byte ahead of each ETB, none of them meaningful on the link
        box::Box b = MakeBox(image, {"noise"});
        b.PowerOn(0);
        BoxScript s(b);
        const Bytes got = s.Read(10, 1000);
        ASSERT_EQ(got.size(), 10u);
        for (std::size_t i = 0; i < got.size(); i += 2) {
            for (std::uint8_t control : {STX, ETX, ENQ, ACK, NAK, ETB}) EXPECT_NE(got[i], control);
            EXPECT_EQ(got[i + 1], ETB);
        }
    }
    // The replies to the header request of Flash Database and to the data requests
    // after it (the last of `requests`), from a box with these faults.
    auto replies = [&](std::vector<std::string> faults, int requests) {
        box::Box b = MakeBox(image, faults);
        b.PowerOn(0);
        BoxScript s(b);
        s.WaitFor(ETB, 1000);
        s.Send(ACK);
        s.WaitFor(ETB, 1000);
        s.Send(ACK);
        s.Send(ENQ);
        Bytes last = s.Read(PacketBufferSize, 1000);
        for (int i = 0; i < requests; ++i) {
            s.Send(ENQ);
            last = s.Read(PacketBufferSize, 1000);
        }
        return last;
    };
    auto headerReply = [&](const char* fault) { return replies({fault}, 0); };
    auto firstPacket = [&](std::vector<std::string> faults, int requests = 1) { return replies(faults, requests); };

    EXPECT_TRUE(headerReply("no-header").empty());
    const Bytes noStx = headerReply("header-no-stx");
    EXPECT_EQ(std::count(noStx.begin(), noStx.end(), STX), 0);
    const Bytes noEtx = headerReply("header-no-etx");
    EXPECT_EQ(noEtx.size(), image[SectionKind::FlashDatabase]->header.size());
    EXPECT_NE(noEtx.back(), ETX);

    EXPECT_EQ(firstPacket({}), flash1);
    EXPECT_EQ(firstPacket({"stop@1"}, 1), flash1);
    EXPECT_TRUE(firstPacket({"stop@1"}, 2).empty());
    const Bytes shortReply = firstPacket({"short-reply@1"});
    EXPECT_LT(shortReply.size(), flash1.size());
    EXPECT_NE(shortReply.back(), ETX);
    const Bytes noStxReply = firstPacket({"no-stx@1"});
    EXPECT_EQ(noStxReply.size(), flash1.size());
    EXPECT_NE(noStxReply[0], STX);
    EXPECT_EQ(PacketPayloadLength(firstPacket({"length@1"}).data()), 3000u);
    EXPECT_EQ(PacketPayloadLength(firstPacket({"length@1=2995"}).data()), 2995u);
    EXPECT_FALSE(VerifyPacketChecksum(firstPacket({"bad-checksum@1"}).data(), DataPayloadSize));
    EXPECT_NE(firstPacket({"bad-etx@1"})[DataPayloadSize + 8], ETX);
    EXPECT_EQ(firstPacket({"bad-etx@2"}), flash1) << "a fault hits only its own packet";
    EXPECT_EQ(firstPacket({"no-stx@1:satellite"}), flash1) << "a fault hits only its own section";
}

TEST(BoxDownload, SilenceBetweenSectionsAndMissingApplicationSoftware) {
    const box::Image image = SmallImage();
    {
        box::Box b = MakeBox(image, {"silence-between:satellite"});
        b.PowerOn(0);
        BoxScript s(b);
        ASSERT_TRUE(s.WaitFor(ETB, 1000));
        s.Send(ACK);
        FetchSection(s, SectionKind::FlashDatabase);
        FetchSection(s, SectionKind::SatelliteDatabase);
        EXPECT_FALSE(s.WaitFor(ETB, 60000));
    }
    {
        box::Box b = MakeBox(image, {"no-application"});
        b.PowerOn(0);
        BoxScript s(b);
        ASSERT_TRUE(s.WaitFor(ETB, 1000));
        s.Send(ACK);
        for (int i = 0; i < 4; ++i) FetchSection(s, AllSections[i]);
        EXPECT_TRUE(b.Finished());
        EXPECT_FALSE(s.WaitFor(ETB, 10000));
    }
}

}  // namespace
