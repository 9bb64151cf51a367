// The lines the console display draws: times, sizes, the section's bar, all fitted
// to a width.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "display/console/terminal.h"

// "1:05"; "7 s"; "245.3 kB".
std::string MinutesSeconds(double seconds);
std::string WholeSeconds(double seconds);
std::string Kilobytes(double bytes);

// Words as a list in a line: "a", "a and b", "a, b and c".
std::string JoinedWithAnd(const std::vector<std::string>& words);

// The line cut to at most width - 1 characters.
std::string FitToWidth(std::string line, int width);

// "  Resource             [#######------]   18/48    46.8 kB/s  1 s left": `advanced`
// packets through, the bar at `position` of `range`; no speed when `rate` is 0, no time
// left when `secondsLeft` is negative. The bar keeps its width whatever the speed and
// the time left say. At most width - 1 characters.
std::string BarLine(const char* label, int advanced, int position, int range, double rate, double secondsLeft,
                    int width);
