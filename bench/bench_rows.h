// Rows of the benchmark's table measured in files of their own.
#pragma once

#include <string>

// Four boxes at once by one command, against one box, paced at 115200 bit/s: the
// ratio of the wall times; `detail` gives both.
double SeveralBoxesRatio(const std::string& tool, const std::string& dir, std::string* detail);
