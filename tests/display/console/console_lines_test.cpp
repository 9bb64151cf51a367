// The section's bar keeps its width through the section, whatever its speed and time
// left say.
#include <gtest/gtest.h>

#include "display/console/console_lines.h"

namespace {

TEST(BarLine, KeepsItsWidthThroughASection) {
    for (int width : {60, 80, 132}) {
        const std::string lines[] = {BarLine("Flash Data", 0, 0, 32, 0, -1, width),
                                     BarLine("Flash Data", 10, 10, 32, 11520, 25, width),
                                     BarLine("Flash Data", 31, 31, 32, 120000, 1234, width),
                                     BarLine("Flash Data", 32, 32, 32, 11520, -1, width)};
        for (const std::string& line : lines) {
            EXPECT_EQ(line.find(']'), lines[0].find(']')) << width << ": " << line;
            EXPECT_LT(static_cast<int>(line.size()), width) << line;
        }
    }
}

}  // namespace
