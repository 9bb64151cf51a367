#include "core/section_kind.h"

#include <gtest/gtest.h>

TEST(SectionFilePath, ReplacesTheLastThreeCharactersWhateverTheyAre) {
    EXPECT_EQ(SectionFilePath("C:\\img\\box.dat", SectionKind::FlashDatabase), "C:\\img\\box.ur1");
    EXPECT_EQ(SectionFilePath("C:\\img\\box.dat", SectionKind::ApplicationSoftware), "C:\\img\\box.ur5");
    EXPECT_EQ(SectionFilePath("C:\\img\\box.ur3", SectionKind::SatelliteDatabase), "C:\\img\\box.ur2");
    EXPECT_EQ(SectionFilePath("C:\\img\\boxes", SectionKind::Resource), "C:\\img\\bour3");
    EXPECT_EQ(SectionFilePath("C:\\img\\box.data", SectionKind::EepromDatabase), "C:\\img\\box.dur4");
    EXPECT_EQ(SectionFilePath("a.b", SectionKind::EepromDatabase), "ur4");
    EXPECT_EQ(SectionFilePath("ab", SectionKind::FlashDatabase), "ur1");
    EXPECT_EQ(SectionFilePath("", SectionKind::FlashDatabase), "ur1");
}
