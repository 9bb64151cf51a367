// Every way a section can end, seen through a download of Flash Database (or the
// section a row names) from a box that misbehaves there.
#include <gtest/gtest.h>

#include <algorithm>

#include "core/packet.h"
#include "download/download_session.h"
#include "download/section_receiver.h"
#include "support/session_rig.h"

namespace {

using box::Bytes;

const char* kDataError = "Error receiving data. Quit any other applications and try again";

// Header and the first `packets` data packets of a stored section; -1: nothing.
Bytes Stored(const box::StoredSection& section, int packets) {
    if (packets < 0) return {};
    Bytes out = section.header;
    for (int i = 0; i < packets; ++i) out.insert(out.end(), section.packets[i].begin(), section.packets[i].end());
    return out;
}

TEST(SectionReceiver, EndsAsEachRowSays) {
    struct Row {
        const char* fault;
        int result;
        std::vector<std::string> messages;
        int storedPackets;  // in box.ur1, after the header; -1: file empty
    };
    const Row rows[] = {
        {"no-header", 1, {"Header packet NOT received!", "Failed to read header packet"}, -1},
        {"header-no-stx", 1, {"Header Packet Invalid", "Failed to read header packet"}, -1},
        {"header-no-etx", 1, {"Header Packet Invalid", "Failed to read header packet"}, -1},
        {"no-stx@2", 1, {"Error - Partition is wrong size\n\nRestart Windows and try again"}, 1},
        {"bad-etx@2", 1, {kDataError}, 1},
        {"bad-checksum@2", 1, {kDataError}, 1},
        {"bad-checksum@32", 1, {kDataError}, 31},                 // even the last announced packet
        {"length@2=2995", 1, {kDataError}, 1},                     // its ETX would lie past the buffer
        {"length@2", 0, {"Packet length wrong", "Transfer Complete"}, 1},  // 3000: the download goes on
        {"short-reply@3", 0, {"Transfer Complete"}, 2},            // cut short, not ending in ETX
    };
    const box::Image image = box::SyntheticImage({});
    const auto& flash = *image[SectionKind::FlashDatabase];
    for (const Row& row : rows) {
        SessionRig rig(image, {box::BoxMode::Auto, {row.fault}});
        EXPECT_EQ(RunDownload(rig.NewSession(), rig.Path("box.dat")), row.result) << row.fault;
        EXPECT_EQ(rig.display.MessageTexts(), row.messages) << row.fault;
        for (const auto& m : rig.display.messages)
            EXPECT_EQ(m.icon, m.caption == "Error" ? MessageIcon::Error : MessageIcon::None) << row.fault;
        EXPECT_EQ(rig.FileBytes(rig.Path("box.ur1")), Stored(flash, row.storedPackets)) << row.fault;
        EXPECT_EQ(rig.display.bars[1007].position, std::max(row.storedPackets, 0)) << row.fault;
        EXPECT_FALSE(rig.link().IsOpen()) << row.fault;
    }
}

TEST(SectionReceiver, DamagedPacketFailsAtTheNextStepWithoutAnotherRequest) {
    SessionRig rig(box::SyntheticImage({}), {box::BoxMode::Auto, {"bad-checksum@2"}});
    EXPECT_EQ(RunDownload(rig.NewSession(), rig.Path("box.dat")), 1);
    EXPECT_EQ(rig.box().DataRequests(), 2);  // no ENQ after the damaged packet
    // The title was still set after it, and the message came after one more pump.
    const auto& events = rig.display.events;
    const auto message = std::find(events.begin(), events.end(), std::string("message Error|") + kDataError);
    ASSERT_NE(message, events.end());
    EXPECT_EQ(*(message - 1), "title Receiving Status - Packets re-sent: 0");
}

TEST(SectionReceiver, QuietEndsCountAsComplete) {
    box::SyntheticPlan plan;
    plan.packets = {5, 16, 0, 4, 16};  // Flash announces 16 and holds 5; Resource is empty
    const box::Image image = box::SyntheticImage(plan);
    {
        SessionRig rig(image);
        EXPECT_EQ(RunDownload(rig.NewSession(), rig.Path("box.dat")), 0);
        EXPECT_EQ(rig.FileBytes(rig.Path("box.ur1")), image[SectionKind::FlashDatabase]->FileBytes());
        EXPECT_EQ(rig.display.bars[1007].range, 16);
        EXPECT_EQ(rig.display.bars[1007].position, 5);
        EXPECT_EQ(rig.FileBytes(rig.Path("box.ur3")), image[SectionKind::Resource]->header);
        EXPECT_EQ(rig.display.bars[1015].range, 0);
        // Requests, each header's first: Flash 5 and one unanswered, Satellite 16,
        // Resource none, Eeprom exactly 4, Application Software 16.
        int enq = 0;
        for (const auto& e : rig.link().log)
            enq += e.kind == box::VirtualLink::Event::Wrote && e.bytes == Bytes{ENQ};
        EXPECT_EQ(enq, (1 + 6) + (1 + 16) + 1 + (1 + 4) + (1 + 16));
    }
    {   // Application Software answering without STX: the bar shows full, no message.
        SessionRig rig(image, {box::BoxMode::Auto, {"no-stx@1:application"}});
        EXPECT_EQ(RunDownload(rig.NewSession(), rig.Path("box.dat")), 0);
        EXPECT_EQ(rig.display.MessageTexts(), std::vector<std::string>{"Transfer Complete"});
        EXPECT_EQ(rig.display.bars[1010].position, 16);
        EXPECT_EQ(rig.FileBytes(rig.Path("box.ur5")), image[SectionKind::ApplicationSoftware]->header);
    }
}

TEST(SectionReceiver, RepliesShorterOrLongerThanThePacketAreTakenByItsLength) {
    box::SyntheticPlan plan;
    plan.packets = {3, -1, -1, -1, -1};
    box::Image image = box::SyntheticImage(plan);
    auto& packets = image[SectionKind::FlashDatabase]->packets;
    // Packet 2's reply is short (L = 100) and ends in ETX; packet 3's reply is a
    // full read, 2009 bytes of packet and 60 of something else behind it.
    packets[1] = box::BuildPacket(Bytes(100, 0x5A), 0x11, 0x3);
    const Bytes third = box::BuildPacket(Bytes(2000, 0x13));
    packets[2] = third;
    packets[2].insert(packets[2].end(), DataPacketSize - third.size(), 0xEE);
    SessionRig rig(image);
    rig.display.onPump = [&] {
        if (rig.display.status == "Status: Receiving Satellite Database") rig.cancel = 1;
    };
    RunDownload(rig.NewSession(), rig.Path("box.dat"));
    Bytes expected = image[SectionKind::FlashDatabase]->header;
    for (const Bytes& p : {packets[0], packets[1], third}) expected.insert(expected.end(), p.begin(), p.end());
    EXPECT_EQ(rig.FileBytes(rig.Path("box.ur1")), expected);
    EXPECT_TRUE(rig.display.messages.empty());
}

// A header request asked to stop at the header's end returns at its last byte (the
// next request follows at once) and stores the same image; a header that never
// becomes whole still waits out the read and fails as it does without it.
TEST(SectionReceiver, FastHeaderStopsAtTheHeadersLastByteAndOnlyThere) {
    const box::Image image = box::SyntheticImage({});  // each section as many packets as its header says
    const box::Micros byteTime = 1'000'000 / 11'520;  // 115200 bit/s
    const auto headerGaps = [&](bool fast, std::vector<double>* gaps, Bytes* flash) {
        SessionRig rig(image, {box::BoxMode::Auto, {}, 3'000'000, 100'000, byteTime});
        rig.fastHeader = fast;
        EXPECT_EQ(RunDownload(rig.NewSession(), rig.Path("box.dat")), 0);
        // Each section's header request and the first data packet's, ENQ after ENQ.
        const std::vector<box::Micros> enq = rig.link().WritesOf(ENQ);
        std::size_t header = 0;
        for (SectionKind kind : AllSections) {
            if (header + 1 >= enq.size()) break;
            gaps->push_back(static_cast<double>(enq[header + 1] - enq[header]) / 1e6);
            header += 1 + image[kind]->packets.size();
        }
        *flash = rig.FileBytes(rig.Path("box.ur1"));
    };
    std::vector<double> usual, fast;
    Bytes usualFlash, fastFlash;
    headerGaps(false, &usual, &usualFlash);
    headerGaps(true, &fast, &fastFlash);
    ASSERT_EQ(fast.size(), 5u);
    ASSERT_EQ(usual.size(), 5u);
    const double headerOnTheLine = static_cast<double>(image[SectionKind::FlashDatabase]->header.size() * byteTime) / 1e6;
    EXPECT_GE(usual[0], 1.0);  // the usual read waits out its time
    EXPECT_LT(fast[0], headerOnTheLine + 0.01) << "the header took " << headerOnTheLine << " s on the line";
    for (double gap : fast) EXPECT_LT(gap, 0.05);
    EXPECT_EQ(fastFlash, usualFlash);

    double waited[2];
    for (bool fastRead : {false, true}) {
        SessionRig broken(image, {box::BoxMode::Auto, {"header-no-etx"}, 3'000'000, 100'000, byteTime});
        broken.fastHeader = fastRead;
        EXPECT_EQ(RunDownload(broken.NewSession(), broken.Path("box.dat")), 1);
        EXPECT_EQ(broken.display.MessageTexts(),
                  (std::vector<std::string>{"Header Packet Invalid", "Failed to read header packet"}));
        waited[fastRead] = broken.Seconds() - static_cast<double>(broken.link().WritesOf(ENQ).back()) / 1e6;
    }
    EXPECT_GT(waited[false], 0.9);
    EXPECT_NEAR(waited[true], waited[false], 0.005);
}

TEST(SectionReceiver, DataReadSizeStaysWithinTheBuffer) {
    EXPECT_EQ(DataReadSize(2048), DataPacketSize);
    EXPECT_EQ(DataReadSize(2979), PacketBufferSize);
    EXPECT_EQ(DataReadSize(2980), PacketBufferSize);
    EXPECT_EQ(DataReadSize(2147483647), PacketBufferSize);
    EXPECT_EQ(DataReadSize(0), ReadMargin);
    EXPECT_EQ(DataReadSize(-21), 1);
    EXPECT_EQ(DataReadSize(-2147483647 - 1), 1);
}

}  // namespace
