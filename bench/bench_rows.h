// Rows of the benchmark's table measured in files of their own.
#pragma once

#include <string>

// Four boxes at once by one command, against one box, paced at 115200 bit/s: the
// ratio of the wall times; `detail` gives both.
double SeveralBoxesRatio(const std::string& tool, const std::string& dir, std::string* detail);

// 32 ports of 3 boxes each served by one station, against one port of 3 boxes, paced
// at 115200 bit/s: the ratio of the times a box took; `cpuShare` the CPU share (percent
// of one core) of the station's first thread while it served the 32, `wholeShare` that
// of all it ran for them (threads and processes, its sessions included).
double StationRatio(const std::string& tool, const std::string& dir, std::string* detail, double* cpuShare,
                    double* wholeShare);

// A download with --fast-header against one without, `rounds` pairs, from the emulated
// box paced at 115200 bit/s, both images checked against the box's: the ratio of the
// wall times; `fastSeconds` the median round's time with it, `imageBytes` the bytes of
// the image's section files.
double FastHeaderRatio(const std::string& tool, const std::string& dir, int rounds, std::string* detail,
                       double* fastSeconds, double* imageBytes);
