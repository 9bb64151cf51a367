#include <gtest/gtest.h>

#include "app/cli/machine/port_names.h"
#include "app/cli/machine/wildcard.h"

namespace {

// Every placeholder is filled once; a value that holds one is taken as it is (a port
// named like a placeholder once made this loop for ever).
TEST(PortNames, EachPlaceholderIsFilledOnce) {
    EXPECT_EQ(WithPort("img-{port}-{port}.dat", "/dev/ttyUSB0"), "img-ttyUSB0-ttyUSB0.dat");
    EXPECT_EQ(WithPort("img-{port}.dat", "/dev/by-name/{port}"), "img-{port}.dat");
    EXPECT_EQ(WithPlaceholder("{n}{n}", "{n}", "{n}1"), "{n}1{n}1");
    EXPECT_EQ(WithPort("trace.txt", "/dev/ttyUSB0"), "trace.txt");
}

// The station's names with * for their placeholders: a * never crosses a folder, and
// what the user typed ([, a second .) stands for itself.
TEST(PortNames, WildcardsStandForRunsWithinOneName) {
    EXPECT_TRUE(FitsWildcard("out/img-*-*.dat", "out/img-ttyUSB0-12.dat"));
    EXPECT_TRUE(FitsWildcard("img-*.dat", "img-.dat"));
    EXPECT_FALSE(FitsWildcard("img-*.dat", "img-a/b.dat"));
    EXPECT_TRUE(FitsWildcard("box[1]-*.dat", "box[1]-3.dat"));
    EXPECT_FALSE(FitsWildcard("box[1]-*.dat", "box1-3.dat"));
    EXPECT_TRUE(FitsWildcard("a*b*c", "aXbYbZc"));
    EXPECT_FALSE(FitsWildcard("a*b*c", "aXbYbZ"));
    EXPECT_TRUE(FitsWildcard("COM?", "com5", true));
    EXPECT_FALSE(FitsWildcard("COM?", "com5"));
}

}  // namespace
