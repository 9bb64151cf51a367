#include <gtest/gtest.h>

#include "app/cli/machine/port_names.h"

namespace {

// Every placeholder is filled once; a value that holds one is taken as it is (a port
// named like a placeholder once made this loop for ever).
TEST(PortNames, EachPlaceholderIsFilledOnce) {
    EXPECT_EQ(WithPort("img-{port}-{port}.dat", "/dev/ttyUSB0"), "img-ttyUSB0-ttyUSB0.dat");
    EXPECT_EQ(WithPort("img-{port}.dat", "/dev/by-name/{port}"), "img-{port}.dat");
    EXPECT_EQ(WithPlaceholder("{n}{n}", "{n}", "{n}1"), "{n}1{n}1");
    EXPECT_EQ(WithPort("trace.txt", "/dev/ttyUSB0"), "trace.txt");
}

}  // namespace
