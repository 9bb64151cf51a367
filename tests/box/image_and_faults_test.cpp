#include <gtest/gtest.h>

#include <cstdio>
#include <set>

#include "box/faults.h"
#include "box/image.h"
#include "box/synthetic_image.h"
#include "core/packet.h"

namespace {

TEST(SyntheticImage, CarriesEverythingACopyMustKeep) {
    box::SyntheticPlan plan;
    plan.packets = {20, 16, 0, 4, -1};
    const box::Image image = box::SyntheticImage(plan);
    EXPECT_FALSE(image[SectionKind::ApplicationSoftware]);
    EXPECT_EQ(image[SectionKind::FlashDatabase]->Announced(SectionKind::FlashDatabase), 32u);  // 20 held
    EXPECT_EQ(image[SectionKind::Resource]->Announced(SectionKind::Resource), 0u);
    EXPECT_EQ(image[SectionKind::EepromDatabase]->Announced(SectionKind::EepromDatabase), 4u);  // K = 1
    EXPECT_EQ(HeaderCountByteOffset(image[SectionKind::FlashDatabase]->header.data()), 35u);
    EXPECT_EQ(HeaderCountByteOffset(image[SectionKind::SatelliteDatabase]->header.data()), 290u);

    bool seen[256] = {};
    std::set<int> offset1, highNibbles;
    for (const auto& section : image.sections) {
        if (!section) continue;
        const auto& h = section->header;
        EXPECT_TRUE(VerifyPacketChecksum(h.data(), PacketPayloadLength(h.data())));
        for (const auto& p : section->packets) {
            ASSERT_EQ(p.size(), static_cast<std::size_t>(DataPacketSize));
            EXPECT_EQ(PacketPayloadLength(p.data()), static_cast<unsigned>(DataPayloadSize));
            EXPECT_TRUE(VerifyPacketChecksum(p.data(), DataPayloadSize));
            EXPECT_EQ(p.back(), ETX);
            offset1.insert(p[1]);
            highNibbles.insert(p[2] >> 4);
            for (int i = 4; i < 4 + DataPayloadSize; ++i) seen[p[i]] = true;
        }
    }
    EXPECT_EQ(std::count(std::begin(seen), std::end(seen), true), 256);
    EXPECT_GT(offset1.size(), 10u);
    EXPECT_GT(highNibbles.size(), 10u);
}

TEST(ImageFiles, WrittenImageLoadsBackAndUrtFilesGoToTheirSlot) {
    box::SyntheticPlan plan;
    plan.packets = {2, 1, 0, 4, -1};
    const box::Image image = box::SyntheticImage(plan);
    const std::string stem = ::testing::TempDir() + "kv_image_test";
    ASSERT_TRUE(box::WriteImage(stem + ".dat", image));
    std::string error;
    const auto loaded = box::LoadImage(stem + ".dat", &error);
    ASSERT_TRUE(loaded) << error;
    for (SectionKind kind : AllSections) {
        ASSERT_EQ(static_cast<bool>((*loaded)[kind]), static_cast<bool>(image[kind]));
        if (image[kind]) {
            EXPECT_EQ((*loaded)[kind]->FileBytes(), image[kind]->FileBytes());
        }
    }

    box::Bytes urt = {'P', 'R', 'E', 'F', 'I', 'X'};
    const box::Bytes eeprom = image[SectionKind::EepromDatabase]->FileBytes();
    urt.insert(urt.end(), eeprom.begin(), eeprom.end());
    ASSERT_TRUE(box::WriteFileBytes(stem + ".URT", urt));
    const auto fromUrt = box::LoadImage(stem + ".URT", &error);
    ASSERT_TRUE(fromUrt) << error;
    EXPECT_FALSE((*fromUrt)[SectionKind::FlashDatabase]);
    EXPECT_EQ((*fromUrt)[SectionKind::EepromDatabase]->FileBytes(), eeprom);

    for (SectionKind kind : AllSections) std::remove(SectionFilePath(stem + ".dat", kind).c_str());
    std::remove((stem + ".dat").c_str());
    std::remove((stem + ".URT").c_str());
    EXPECT_FALSE(box::LoadImage(stem + ".dat", &error));
}

TEST(FaultNames, ParseWithPacketValueAndSection) {
    std::string error;
    const auto f = box::ParseFault("length@3=2995:eeprom", &error);
    ASSERT_TRUE(f) << error;
    EXPECT_EQ(f->kind, box::FaultKind::Length);
    EXPECT_EQ(f->packet, 3);
    EXPECT_EQ(f->value, 2995);
    EXPECT_EQ(f->section, SectionKind::EepromDatabase);
    EXPECT_EQ(box::ParseFault("nak", &error)->packet, 1);
    EXPECT_EQ(box::ParseFault("enq-silence", &error)->packet, 0);
    EXPECT_EQ(box::ParseFault("stop@4:5", &error)->section, SectionKind::ApplicationSoftware);
    for (const char* bad : {"nope", "nak@x", "nak:moon", "length@1=-3", ""}) {
        EXPECT_FALSE(box::ParseFault(bad, &error)) << bad;
        EXPECT_FALSE(error.empty());
    }
}

}  // namespace
