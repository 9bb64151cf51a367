// The emulated box's side of an upload, driven by hand.
#include <gtest/gtest.h>

#include "box/synthetic_image.h"
#include "core/packet.h"
#include "support/box_script.h"

namespace {

using box::Bytes;

box::Box MakeBox(std::vector<std::string> faults = {}, box::BoxMode mode = box::BoxMode::Upload) {
    box::BoxOptions options;
    options.mode = mode;
    for (const auto& text : faults) {
        std::string error;
        options.faults.push_back(*box::ParseFault(text, &error));
    }
    return box::Box(box::Image{}, options);
}

// Sends a section the way the tool does: ETB until ACK, then each packet on ENQ.
// Returns the byte the box sent after the last packet (0 for silence).
std::uint8_t SendSection(BoxScript& s, const box::StoredSection& section) {
    for (;;) {
        s.Send(ETB);
        const Bytes reply = s.Read(1, 1000);
        if (!reply.empty() && reply[0] == ACK) break;
    }
    EXPECT_EQ(s.Read(1, 1000), Bytes{ENQ});
    s.Write(section.header);
    for (const Bytes& packet : section.packets) {
        const Bytes reply = s.Read(1, 1000);
        if (reply.empty() || reply[0] != ENQ) return reply.empty() ? 0 : reply[0];
        s.Write(packet);
    }
    const Bytes last = s.Read(1, 1000);
    return last.empty() ? 0 : last[0];
}

TEST(BoxUpload, RecordsEachSectionByteForByteAndEndsOnTheClosingEnq) {
    const box::Image image = box::SyntheticImage({});
    box::Box b = MakeBox();
    b.PowerOn(0);
    BoxScript s(b);
    for (SectionKind kind : AllSections) EXPECT_EQ(SendSection(s, *image[kind]), 0) << SectionName(kind);
    EXPECT_FALSE(b.Finished());
    s.Send(ENQ);
    EXPECT_TRUE(b.Finished());

    const box::Image received = b.ReceivedImage();
    for (SectionKind kind : AllSections) {
        ASSERT_TRUE(received[kind]) << SectionName(kind);
        EXPECT_EQ(received[kind]->FileBytes(), image[kind]->FileBytes()) << SectionName(kind);
    }
    // The Eeprom header's K = 1 asked for 4 packets, the others for K x 16.
    EXPECT_EQ(b.Received()[3].announced, 4u);
    EXPECT_EQ(b.Received()[0].announced, 32u);
}

TEST(BoxUpload, RefusesDamagedPacketsWithNak) {
    box::SyntheticPlan plan;
    plan.packets = {3, -1, -1, -1, -1};
    box::StoredSection flash = *box::SyntheticImage(plan)[SectionKind::FlashDatabase];
    flash.packets[1][100] ^= 0xFF;  // checksum no longer matches
    box::Box b = MakeBox();
    b.PowerOn(0);
    BoxScript s(b);
    EXPECT_EQ(SendSection(s, flash), NAK);
    EXPECT_TRUE(b.Received()[0].refused);
    EXPECT_EQ(b.Received()[0].packets, 1u);
}

TEST(BoxUpload, EachFaultShowsOnTheLine) {
    box::SyntheticPlan plan;
    plan.packets = {3, -1, -1, -1, -1};
    const box::StoredSection flash = *box::SyntheticImage(plan)[SectionKind::FlashDatabase];
    {
        box::Box b = MakeBox({"nak@2"});
        b.PowerOn(0);
        BoxScript s(b);
        EXPECT_EQ(SendSection(s, flash), NAK);
        EXPECT_EQ(b.Received()[0].packets, 1u);
    }
    {
        box::Box b = MakeBox({"nak@0"});  // the header itself
        b.PowerOn(0);
        BoxScript s(b);
        EXPECT_EQ(SendSection(s, flash), NAK);
    }
    {   // ENQ for the header, then silence; the packets still count when they come
        box::Box b = MakeBox({"enq-silence"});
        b.PowerOn(0);
        BoxScript s(b);
        EXPECT_EQ(SendSection(s, flash), 0);
        for (const Bytes& p : flash.packets) s.Write(p);
        EXPECT_EQ(b.Received()[0].packets, 3u);
        EXPECT_TRUE(s.Read(1, 5000).empty());
    }
    {   // after packet 1: ACK instead of ENQ, then silence; the box listens for ETB again
        box::Box b = MakeBox({"other-silence@1"});
        b.PowerOn(0);
        BoxScript s(b);
        EXPECT_EQ(SendSection(s, flash), ACK);
        EXPECT_TRUE(s.Read(1, 5000).empty());
        s.Send(ETB);
        EXPECT_EQ(s.Read(2, 1000), (Bytes{ACK, ENQ}));
    }
    {   // silent: no answer to any ETB
        box::Box b = MakeBox({"silent"});
        b.PowerOn(0);
        BoxScript s(b);
        s.Send(ETB);
        EXPECT_TRUE(s.Read(1, 15000).empty());
    }
    {   // noise: boot chatter for 3 s, ETBs unheard meanwhile
        box::Box b = MakeBox({"noise"});
        b.PowerOn(0);
        BoxScript s(b);
        s.Send(ETB);
        const Bytes chatter = s.Read(10, 1000);
        EXPECT_EQ(chatter.size(), 10u);
        EXPECT_EQ(std::count(chatter.begin(), chatter.end(), ACK), 0);
        s.Read(1000, 2600);  // until the boot is over
        s.Send(ETB);
        EXPECT_EQ(s.Read(2, 1000), (Bytes{ACK, ENQ}));
    }
}

TEST(BoxUpload, AutoModeTurnsToAnUploadWhenTheToolAnnounces) {
    box::Box b = MakeBox({}, box::BoxMode::Auto);
    b.PowerOn(0);
    BoxScript s(b);
    EXPECT_EQ(s.Read(3, 1000), Bytes(3, ETB));  // it offers a download
    s.Send(ETB);
    EXPECT_TRUE(b.UploadSide());
    EXPECT_EQ(s.Read(2, 1000), (Bytes{ACK, ENQ}));
    EXPECT_TRUE(s.Read(1, 2000).empty()) << "no more announcing";
}

TEST(BoxUpload, HeaderWithoutSectionByteTakesArrivalOrder) {
    // A header whose section byte says nothing (0): first section = Flash Database.
    Bytes payload(40, 0);
    payload[35 - 4] = 1;  // N = 0, K = 1
    box::StoredSection s1{box::BuildPacket(payload), {}};
    box::Box b = MakeBox();
    b.PowerOn(0);
    BoxScript s(b);
    SendSection(s, s1);
    ASSERT_EQ(b.Received().size(), 1u);
    EXPECT_EQ(b.Received()[0].kind, SectionKind::FlashDatabase);
    EXPECT_EQ(b.Received()[0].announced, 16u);
}

}  // namespace
