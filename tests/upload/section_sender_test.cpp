// The stored-file side of an upload, and the sender's answers to the box.
#include <gtest/gtest.h>

#include <cstdio>
#include <deque>

#include "core/packet.h"
#include "support/session_rig.h"
#include "support/test_session.h"
#include "upload/section_sender.h"
#include "upload/upload_session.h"

namespace {

using box::Bytes;

const char* kDataError = "Error receiving data. Quit any other applications and try again";

// A header with count position `n` and count byte `k`, and the given payload length.
Bytes Header(unsigned n, std::uint8_t k, unsigned payload = 300) {
    Bytes p(payload, 0x33);
    p[12 - 4] = static_cast<std::uint8_t>(n);
    p[n + 35 - 4] = k;
    return box::BuildPacket(p);
}

// A line on which the "box" says exactly what the script holds: one entry per
// one-byte read (-1 for a read that times out, however the link slices it).
class ScriptedLine final : public SerialBackend {
public:
    TestSession* session = nullptr;  // the session reading: its record, its Cancel
    std::deque<int> replies;
    std::vector<Bytes> writes;
    OpenStatus Open(const std::string&, std::int32_t) override { return OpenStatus::Ok; }
    void ApplyTimeouts(const LinkTimeouts&) override {}
    int Read(std::uint8_t* buffer, int, std::uint32_t totalMs) override {
        if (silenceLeft > 0) {  // the rest of a read that times out
            silenceLeft -= std::min(silenceLeft, totalMs);
            return 0;
        }
        if (replies.empty()) {
            session->cancel = 1;  // the script is over
            return 0;
        }
        const int r = replies.front();
        replies.pop_front();
        if (r < 0) {
            silenceLeft = session->applied.ReadTotalTimeoutConstant - totalMs;
            return 0;
        }
        buffer[0] = static_cast<std::uint8_t>(r);
        return 1;
    }
    int Write(const std::uint8_t* buffer, int count) override {
        writes.emplace_back(buffer, buffer + count);
        return count;
    }
    void Close() override {}

private:
    std::uint32_t silenceLeft = 0;
};

class StoredFile : public ::testing::Test {
protected:
    void TearDown() override {
        session.in.reset();
        std::remove(path_.c_str());
    }
    void Open(const Bytes& bytes) {
        box::WriteFileBytes(path_, bytes);
        int error = 0;
        session.in = session.source->Open(path_, &error);
        ASSERT_TRUE(session.in);
    }
    std::string path_ = ::testing::TempDir() + "kv_stored_section";
    RecordingDisplay display;
    ScriptedLine line;
    TestSession session{line, display};
};

TEST_F(StoredFile, HeaderFieldsAndTheEepromRule) {
    Open(Header(3, 1));
    unsigned count = 0, length = 0;
    ASSERT_EQ(ReadStoredHeader(session, &count, &length, SectionKind::EepromDatabase), 0);
    EXPECT_EQ(count, 4u);
    EXPECT_EQ(length, 300u);
    EXPECT_EQ(display.bars[1009].range, 4);
    EXPECT_EQ(session.in->Position(), 0) << "rewound";
    ASSERT_EQ(ReadStoredHeader(session, &count, &length, SectionKind::FlashDatabase), 0);
    EXPECT_EQ(count, 16u);

    // A URT file: six bytes ahead, header fields at file offsets 8, 9 and 18, and
    // K = 1 gives 16 even for an Eeprom header.
    session.in.reset();
    const Bytes h = Header(200, 1);
    Bytes urt(UrtPrefixSize + h.size());
    const std::uint8_t prefix[UrtPrefixSize] = {0x02, 0x02, 0x0F, 0xFF, 0x05, 0x17};
    std::copy(h.begin(), h.end(), std::copy(prefix, prefix + UrtPrefixSize, urt.begin()));
    Open(urt);
    session.settings.urt = true;
    ASSERT_EQ(ReadStoredHeader(session, &count, &length, std::nullopt), 0);
    EXPECT_EQ(count, 16u);
    EXPECT_EQ(length, 300u);
    EXPECT_EQ(display.bars[1026].range, 16);
    std::uint8_t buffer[PacketBufferSize];
    ASSERT_EQ(ReadStoredPacket(*session.in, length, buffer, UrtPrefixSize), StoredRead::Packet);
    EXPECT_EQ(Bytes(buffer, buffer + h.size()), h);
}

TEST_F(StoredFile, HeadersThatCannotBeSentAreRefused) {
    const Bytes tooLong = Header(0, 1, 2992);  // 3001 bytes: more than a packet buffer
    const Bytes whole = Header(250, 1);
    const Bytes cut(whole.begin(), whole.begin() + 200);  // the count byte (285) and the end are missing
    const Bytes tenBytes(10, STX);
    for (const Bytes* file : {&tooLong, &cut, &tenBytes}) {
        Open(*file);
        unsigned count = 0, length = 0;
        EXPECT_EQ(ReadStoredHeader(session, &count, &length, SectionKind::FlashDatabase), 1);
        session.in.reset();
    }
    EXPECT_EQ(display.MessageTexts(), std::vector<std::string>(3, "Header packet in file is invalid"));
    EXPECT_EQ(Header(0, 1, 2991).size(), 3000u);
    Open(Header(0, 1, 2991));
    unsigned count = 0, length = 0;
    EXPECT_EQ(ReadStoredHeader(session, &count, &length, SectionKind::FlashDatabase), 0);
}

TEST_F(StoredFile, PacketsAreCopiedAsStoredAndFillerStandsForAMissingOne) {
    // A short packet is taken with what follows it; the next one is looked for from
    // the first STX after that; past the end every byte is 0xFF; no STX left, filler:
    // the last byte the search read (none: 0x00), then 0xFF.
    const Bytes shortPacket = box::BuildPacket(Bytes(1000, 0x44));
    Bytes file = shortPacket;
    file.insert(file.end(), 1500, 0x77);
    const Bytes full = box::BuildPacket(Bytes(DataPayloadSize, 0x55));
    file.insert(file.end(), full.begin(), full.end());
    file.insert(file.end(), shortPacket.begin(), shortPacket.end());
    file.push_back(0x00);
    Open(file);
    std::uint8_t buffer[PacketBufferSize];
    ASSERT_EQ(ReadStoredPacket(*session.in, DataPayloadSize, buffer, 0), StoredRead::Packet);
    EXPECT_EQ(Bytes(buffer, buffer + DataPacketSize), Bytes(file.begin(), file.begin() + DataPacketSize));
    ASSERT_EQ(ReadStoredPacket(*session.in, DataPayloadSize, buffer, 0), StoredRead::Packet);
    EXPECT_EQ(Bytes(buffer, buffer + DataPacketSize), full);
    ASSERT_EQ(ReadStoredPacket(*session.in, DataPayloadSize, buffer, 0), StoredRead::Packet);
    Bytes padded = shortPacket;
    padded.push_back(0x00);
    padded.resize(DataPacketSize, 0xFF);
    EXPECT_EQ(Bytes(buffer, buffer + DataPacketSize), padded);
    Bytes filler(DataPacketSize, 0xFF);
    filler[0] = 0x00;
    EXPECT_EQ(ReadStoredPacket(*session.in, DataPayloadSize, buffer, 0), StoredRead::Filler);
    EXPECT_EQ(Bytes(buffer, buffer + DataPacketSize), filler);
    Open({0x41, 0x42});  // bytes without an STX: the last one read leads the filler
    EXPECT_EQ(ReadStoredPacket(*session.in, DataPayloadSize, buffer, 0), StoredRead::Filler);
    filler[0] = 0x42;
    EXPECT_EQ(Bytes(buffer, buffer + DataPacketSize), filler);
}

TEST_F(StoredFile, SenderAnswersNakSilenceAndOtherBytesByTheirPlace) {
    box::SyntheticPlan plan;
    plan.packets = {3, -1, -1, -1, -1};
    const Bytes stored = box::SyntheticImage(plan)[SectionKind::FlashDatabase]->FileBytes();
    const unsigned headerLength = PacketPayloadLength(stored.data());
    line.session = &session;
    auto run = [&](std::initializer_list<int> replies, unsigned count = 3) {
        Open(stored);
        line.replies = replies;
        line.writes.clear();
        session.cancel = 0;
        const int result = SendSection(session, count, headerLength, SectionKind::FlashDatabase);
        session.in.reset();
        return result;
    };

    // NAK and silence while waiting for the header are nothing; ENQ releases it,
    // and a second of silence after an ENQ releases the next packet as well.
    EXPECT_EQ(run({NAK, -1, ACK, ENQ, -1, ENQ, -1}), 0);
    ASSERT_EQ(line.writes.size(), 4u);
    EXPECT_EQ(line.writes[0].size(), headerLength + 9);
    EXPECT_EQ(line.writes[3], Bytes(stored.end() - DataPacketSize, stored.end()));
    EXPECT_TRUE(display.messages.empty());

    // NAK while waiting for a data request ends the upload.
    EXPECT_EQ(run({ENQ, ENQ, NAK}), 1);
    EXPECT_EQ(line.writes.size(), 2u);
    EXPECT_EQ(display.MessageTexts(), std::vector<std::string>{kDataError});

    // Another byte, then silence: the section counts as sent, the bar shows full.
    display.messages.clear();
    EXPECT_EQ(run({ENQ, ACK, -1}), 0);
    EXPECT_EQ(line.writes.size(), 1u);
    EXPECT_EQ(display.bars[1007].position, 3);
    EXPECT_TRUE(display.messages.empty());

    // The box asks for more than the file holds: filler goes for the missing packet.
    EXPECT_EQ(run({ENQ, ENQ, ENQ, ENQ, ENQ}, 4), 0);
    ASSERT_EQ(line.writes.size(), 5u);
    Bytes filler(DataPacketSize, 0xFF);
    filler[0] = 0x00;
    EXPECT_EQ(line.writes[4], filler);
    EXPECT_TRUE(display.MessageTexts().empty());
}

TEST(SectionSender, PacketsGoOnTheBoxsRequestsOrASecondAfterItsLastEnq) {
    box::SyntheticPlan plan;
    plan.packets = {32, 16, -1, -1, -1};
    const box::Image image = box::SyntheticImage(plan);
    auto untickAbsent = [](SessionRig& rig) {
        rig.display.checked[2] = rig.display.checked[3] = rig.display.checked[4] = false;
    };
    {   // ENQ for the header, then silence: one packet a second, and the box has them all.
        SessionRig rig(image, {box::BoxMode::Upload, {"enq-silence"}, 0});
        box::WriteImage(rig.Path("box.dat"), image);
        untickAbsent(rig);
        ASSERT_EQ(RunUpload(rig.NewSession(), rig.Path("box.dat")), 0) << ::testing::PrintToString(rig.display.MessageTexts());
        std::vector<box::Micros> dataWrites;
        for (const auto& e : rig.link().log)
            if (e.kind == box::VirtualLink::Event::Wrote && e.bytes.size() == DataPacketSize) dataWrites.push_back(e.at);
        ASSERT_EQ(dataWrites.size(), 48u);
        for (int i = 1; i < 32; ++i) EXPECT_EQ(dataWrites[i] - dataWrites[i - 1], 1'000'000);
        EXPECT_EQ(rig.box().Received()[0].packets, 32u);
        EXPECT_EQ(rig.box().ReceivedImage()[SectionKind::SatelliteDatabase]->FileBytes(),
                  image[SectionKind::SatelliteDatabase]->FileBytes());
    }
    {   // ACK after packet 5, then nothing: Flash Database ends there as sent.
        SessionRig rig(image, {box::BoxMode::Upload, {"other-silence@5"}, 0});
        box::WriteImage(rig.Path("box.dat"), image);
        untickAbsent(rig);
        ASSERT_EQ(RunUpload(rig.NewSession(), rig.Path("box.dat")), 0);
        EXPECT_EQ(rig.box().Received()[0].packets, 5u);
        EXPECT_EQ(rig.display.bars[1007].position, 32);
        EXPECT_TRUE(rig.box().Received()[1].complete);
    }
    {   // The sender sends 2069 bytes a packet whatever PacketLength says.
        SessionRig rig(image, {box::BoxMode::Upload, {}, 0});
        rig.SetPacketLength("1000");
        box::WriteImage(rig.Path("box.dat"), image);
        untickAbsent(rig);
        ASSERT_EQ(RunUpload(rig.NewSession(), rig.Path("box.dat")), 0);
        EXPECT_EQ(rig.box().ReceivedImage()[SectionKind::FlashDatabase]->FileBytes(),
                  image[SectionKind::FlashDatabase]->FileBytes());
    }
}

// A section file that holds 20 of the 32 packets its header announces: a box that asks
// for all 32 gets the file's 20 and 12 filler packets; one that stops asking after
// packet 20 gets the 20 and the section ends there.
TEST(SectionSender, AShortSectionUploadsWhole) {
    box::SyntheticPlan plan;
    plan.packets = {20, -1, -1, -1, -1};  // Flash announces 32 and holds 20
    const box::Image image = box::SyntheticImage(plan);
    Bytes filler(DataPacketSize, 0xFF);
    filler[0] = 0x00;
    for (const char* fault : {"", "enq-silence@20"}) {
        SessionRig rig(image, {box::BoxMode::Upload, {}, 0});
        if (*fault) rig.NewBox(image, {box::BoxMode::Upload, {fault}, 0});
        box::WriteImage(rig.Path("box.dat"), image);
        for (int absent = 1; absent < SectionCount; ++absent) rig.display.checked[absent] = false;
        ASSERT_EQ(RunUpload(rig.NewSession(), rig.Path("box.dat")), 0) << fault << ::testing::PrintToString(rig.display.MessageTexts());
        Bytes expected = image[SectionKind::FlashDatabase]->FileBytes();
        for (int i = 20; i < 32 && !*fault; ++i) expected.insert(expected.end(), filler.begin(), filler.end());
        ASSERT_EQ(rig.box().Received().size(), 1u) << fault;
        EXPECT_EQ(rig.box().Received()[0].bytes, expected) << fault << ": the file's packets, then filler";
        EXPECT_EQ(rig.box().Received()[0].packets, *fault ? 20u : 32u) << fault;
        EXPECT_EQ(rig.display.bars[1007].position, 32) << fault;
    }
}

TEST(SectionSender, FailuresCloseFileAndPortAfterTheirMessage) {
    box::SyntheticPlan plan;
    plan.packets = {20, 16, -1, -1, -1};  // Flash announces 32 and holds 20
    const box::Image image = box::SyntheticImage(plan);
    struct Row {
        const char* name;
        std::function<void(SessionRig&)> arrange;
        std::string message;
        std::size_t dataWrites;
    };
    const Row rows[] = {
        {"header not taken", [](SessionRig& r) { r.link().refuseWritesFrom = 2; }, "Header packet NOT sent!", 0},
        {"packet not taken", [](SessionRig& r) { r.link().refuseWritesFrom = DataPacketSize; }, "Packet NOT sent!", 0},
        {"header too long",
         [](SessionRig& r) {
             Bytes header = Header(0, 1, 2995);
             box::WriteFileBytes(r.Path("box.ur1"), header);
         },
         "box.ur1 cannot be sent: header packet of 3004 bytes, more than the 3000 an upload can send.\n\nNothing "
         "was sent to the box.", 0},
    };
    for (const Row& row : rows) {
        SessionRig rig(image, {box::BoxMode::Upload, {}, 0});
        box::WriteImage(rig.Path("box.dat"), image);
        for (int absent = 2; absent < SectionCount; ++absent) rig.display.checked[absent] = false;
        row.arrange(rig);
        EXPECT_EQ(RunUpload(rig.NewSession(), rig.Path("box.dat")), 1) << row.name;
        const std::string said = rig.display.MessageTexts().empty() ? "" : rig.display.MessageTexts()[0];
        EXPECT_EQ(said.substr(said.size() - std::min(said.size(), row.message.size())), row.message) << row.name;
        EXPECT_EQ(rig.display.MessageTexts().size(), 1u) << row.name;
        std::size_t dataWrites = 0, headerWrites = 0;
        for (const auto& e : rig.link().log) {
            if (e.kind != box::VirtualLink::Event::Wrote || e.bytes.size() < 2) continue;
            ++(e.bytes.size() == DataPacketSize ? dataWrites : headerWrites);
        }
        EXPECT_EQ(dataWrites, row.dataWrites) << row.name;
        if (row.message.rfind("box.ur1 cannot be sent", 0) == 0) {
            EXPECT_EQ(headerWrites, 0u) << "nothing of it sent";
        }
        EXPECT_FALSE(rig.link().IsOpen()) << row.name;
        EXPECT_EQ(rig.LastSession().in, nullptr) << row.name;
    }
}

// No packet left in the file: filler for a box that asks for one with a fresh ENQ.
// One that went quiet after the packets it wanted (a URT file's Eeprom Database
// section of 4 packets, which the URT rule counts as 16) has them all.
TEST(SectionSender, NoPacketLeftGoesAsFillerOnlyWhenTheBoxAsksForOne) {
    box::SyntheticPlan plan;
    plan.packets = {-1, -1, -1, 4, -1};
    const box::Image image = box::SyntheticImage(plan);
    {
        SessionRig rig(image, {box::BoxMode::Upload, {}, 0});
        Bytes urt(UrtPrefixSize, 0x00);
        const Bytes eeprom = image[SectionKind::EepromDatabase]->FileBytes();
        urt.insert(urt.end(), eeprom.begin(), eeprom.end());
        box::WriteFileBytes(rig.Path("eeprom.urt"), urt);
        rig.urt = true;
        ASSERT_EQ(RunUpload(rig.NewSession(), rig.Path("eeprom.urt")), 0);
        EXPECT_TRUE(rig.display.MessageTexts() == std::vector<std::string>{
                        "Transfer Complete - Do not switch off box until 'BOOT' is displayed"});
        EXPECT_EQ(rig.display.bars[UrtBarId].range, 16);
        EXPECT_EQ(rig.display.bars[UrtBarId].position, 16);
        ASSERT_EQ(rig.box().Received().size(), 1u);
        EXPECT_TRUE(rig.box().Received()[0].complete);
        EXPECT_EQ(rig.link().log[rig.link().log.size() - 2].bytes, Bytes{ENQ}) << "the closing ENQ";
    }
    // A stored packet cut short by the end of the file is no packet: nothing of it
    // goes. The upload refuses such a file before it touches the box; sent all the
    // same, the sender stops there.
    for (bool checked : {false, true}) {
        box::SyntheticPlan flash;
        flash.packets = {16, -1, -1, -1, -1};
        const box::Image full = box::SyntheticImage(flash);
        SessionRig rig(full, {box::BoxMode::Upload, {}, 0});
        Bytes cut = full[SectionKind::FlashDatabase]->header;
        for (int i = 0; i < 2; ++i) {
            const Bytes& p = full[SectionKind::FlashDatabase]->packets[i];
            cut.insert(cut.end(), p.begin(), p.begin() + (i == 0 ? DataPacketSize : 1000));
        }
        box::WriteFileBytes(rig.Path("box.ur1"), cut);
        for (int absent = 1; absent < SectionCount; ++absent) rig.display.checked[absent] = false;
        rig.checkStoredPackets = checked;
        EXPECT_EQ(RunUpload(rig.NewSession(), rig.Path("box.dat")), 1);
        rig.checkStoredPackets = true;
        EXPECT_EQ(rig.display.MessageTexts(),
                  std::vector<std::string>{checked ? rig.Path("box.ur1") + " cannot be sent: data packet 2 cut short: "
                                                                           "1000 of 2069 bytes (an upload stops "
                                                                           "there).\n\nNothing was sent to the box."
                                                   : "Packet NOT found in file!"});
        int dataWrites = 0;
        for (const auto& e : rig.link().log)
            dataWrites += e.kind == box::VirtualLink::Event::Wrote && e.bytes.size() == DataPacketSize;
        EXPECT_EQ(dataWrites, checked ? 0 : 1);
        EXPECT_EQ(rig.link().WritesOf(ETB).empty(), checked) << "refused before the handshake";
    }
}

TEST(SectionSender, SlowLineAndLostPort) {
    const box::Image image = box::SyntheticImage({});
    {   // 9600 bit/s: the sender waits for each packet to cross the line before the
        // box's silence can release the next one.
        SessionRig rig(image, {box::BoxMode::Upload, {}, 0, 1'500'000, 1042});
        box::WriteImage(rig.Path("box.dat"), image);
        rig.linkSettings.BaudRate = 9600;
        rig.link().byteTime = 1042;
        ASSERT_EQ(RunUpload(rig.NewSession(), rig.Path("box.dat")), 0);
        const box::Image received = rig.box().ReceivedImage();
        for (SectionKind kind : AllSections)
            EXPECT_EQ(received[kind]->FileBytes(), image[kind]->FileBytes()) << SectionName(kind);
        EXPECT_EQ(rig.link().Profiles()[2], "2795/2795");
    }
    const struct {
        const char* where;
        std::vector<std::string> faults;
        box::Micros lostAt;
    } rows[] = {
        {"opening handshake", {"silent"}, 1'000'000},
        {"section handshake", {"silence-between:flash"}, 30'000'000},
        {"between data packets", {}, 5'000'000},
    };
    for (const auto& row : rows) {
        SessionRig rig(image, {box::BoxMode::Upload, row.faults, 0});
        box::WriteImage(rig.Path("box.dat"), image);
        rig.link().byteTime = 87;  // 115200 bit/s: each packet takes its time to arrive
        rig.link().loseAt = row.lostAt;
        EXPECT_EQ(RunUpload(rig.NewSession(), rig.Path("box.dat")), 1) << row.where;
        EXPECT_EQ(rig.display.MessageTexts(), std::vector<std::string>{"Lost connection to COM port"}) << row.where;
        EXPECT_FALSE(rig.link().IsOpen()) << row.where;
        EXPECT_LE(rig.link().Now(), row.lostAt + 1'000'000) << row.where;
    }
}

}  // namespace
