// Rows of the benchmark's table measured in files of their own.
#pragma once

#include <string>

// Four boxes at once by one command, against one box, paced at 115200 bit/s: the
// ratio of the wall times; `detail` gives both.
double SeveralBoxesRatio(const std::string& tool, const std::string& dir, std::string* detail);

// 32 ports of 3 boxes each served by one station, against one port of 3 boxes, paced
// at 115200 bit/s: the ratio of the times a box took; `cpuShare` the station's own CPU
// share (percent of one core) while it served the 32.
double StationRatio(const std::string& tool, const std::string& dir, std::string* detail, double* cpuShare);
