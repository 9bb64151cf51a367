#include "core/packet.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// A framed packet around `payload`, with the given checksum field.
std::vector<std::uint8_t> Frame(const std::vector<std::uint8_t>& payload, std::uint32_t checksum,
                                std::uint8_t offset1 = 0, std::uint8_t highNibble = 0) {
    const unsigned l = static_cast<unsigned>(payload.size());
    std::vector<std::uint8_t> p = {STX, offset1, static_cast<std::uint8_t>(highNibble << 4 | (l >> 8 & 0x0F)),
                                   static_cast<std::uint8_t>(l & 0xFF)};
    for (auto b : payload) p.push_back(b);
    for (int shift = 24; shift >= 0; shift -= 8) p.push_back(static_cast<std::uint8_t>(checksum >> shift));
    p.push_back(ETX);
    return p;
}

std::uint32_t Sum(const std::vector<std::uint8_t>& payload) {
    std::uint32_t s = 0;
    for (auto b : payload) s += b;
    return s;
}

// A header packet of `size` bytes with count position n and count byte k.
std::vector<std::uint8_t> Header(std::uint8_t n, std::uint8_t k) {
    std::vector<std::uint8_t> h(300, 0);
    h[12] = n;
    h[n + 35u] = k;
    return h;
}

TEST(PacketLayout, LengthTakesOnlyTheLowNibbleOfOffsetTwo) {
    const std::uint8_t full[] = {STX, 0x00, 0xF8, 0x0C};
    EXPECT_EQ(PacketPayloadLength(full), 2060u);
    const std::uint8_t max[] = {STX, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(PacketPayloadLength(max), 4095u);
    const std::uint8_t high[] = {STX, 0x00, 0x0B, 0xB8};
    EXPECT_EQ(PacketPayloadLength(high), 3000u);
}

TEST(PacketLayout, EmptyPayloadIsNineBytesWithZeroChecksum) {
    const auto p = Frame({}, 0);
    ASSERT_EQ(p.size(), 9u);
    EXPECT_EQ(PacketPayloadLength(p.data()), 0u);
    EXPECT_TRUE(VerifyPacketChecksum(p.data(), 0));
    EXPECT_EQ(p[8], ETX);
}

TEST(PacketChecksum, IsABigEndianSumOfThePayloadOnly) {
    // Every byte value, so the sum crosses byte boundaries; framing bytes that would
    // change the sum if they were counted.
    std::vector<std::uint8_t> payload;
    for (int i = 0; i < 256; ++i) payload.push_back(static_cast<std::uint8_t>(i));
    const std::uint32_t sum = Sum(payload);  // 0x7F80
    const auto good = Frame(payload, sum, 0xFF, 0xF);
    EXPECT_TRUE(VerifyPacketChecksum(good.data(), 256));

    // The same four bytes in little-endian order do not match.
    const std::uint32_t swapped = (sum & 0xFF) << 24 | (sum >> 8 & 0xFF) << 16;
    EXPECT_FALSE(VerifyPacketChecksum(Frame(payload, swapped).data(), 256));
    // A checksum off by one in its lowest byte, or with a non-zero top byte, fails.
    EXPECT_FALSE(VerifyPacketChecksum(Frame(payload, sum + 1).data(), 256));
    EXPECT_FALSE(VerifyPacketChecksum(Frame(payload, sum | 0x01000000u).data(), 256));
}

TEST(PacketChecksum, LargestAcceptedPayloadOfAllOnesFitsInThreeBytes) {
    const std::vector<std::uint8_t> payload(2999, 0xFF);
    const auto p = Frame(payload, 2999u * 255u);
    EXPECT_EQ(p[4 + 2999], 0x00);
    EXPECT_TRUE(VerifyPacketChecksum(p.data(), 2999));
}

TEST(HeaderCount, CountByteIsPlacedByOffsetTwelve) {
    EXPECT_EQ(HeaderPacketCount(Header(0, 3).data(), SectionKind::FlashDatabase), 48u);
    EXPECT_EQ(HeaderCountByteOffset(Header(0, 3).data()), 35u);
    EXPECT_EQ(HeaderPacketCount(Header(255, 2).data(), SectionKind::Resource), 32u);
    EXPECT_EQ(HeaderCountByteOffset(Header(255, 2).data()), 290u);
    EXPECT_EQ(HeaderPacketCount(Header(7, 255).data(), SectionKind::SatelliteDatabase), 4080u);
    EXPECT_EQ(HeaderPacketCount(Header(7, 0).data(), SectionKind::FlashDatabase), 0u);
}

TEST(HeaderCount, EepromRuleAppliesOnlyToEepromWithKOne) {
    const auto k1 = Header(20, 1);
    EXPECT_EQ(HeaderPacketCount(k1.data(), SectionKind::EepromDatabase), 4u);
    EXPECT_EQ(HeaderPacketCount(k1.data(), SectionKind::FlashDatabase), 16u);
    EXPECT_EQ(HeaderPacketCount(k1.data(), SectionKind::ApplicationSoftware), 16u);
    EXPECT_EQ(HeaderPacketCount(k1.data(), std::nullopt), 16u);  // URT file
    EXPECT_EQ(HeaderPacketCount(Header(20, 2).data(), SectionKind::EepromDatabase), 32u);
    EXPECT_EQ(HeaderPacketCount(Header(20, 0).data(), SectionKind::EepromDatabase), 0u);
}

}  // namespace
