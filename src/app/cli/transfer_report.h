// What the command line says after a transfer, on top of the session's own
// messages: which files are complete, incomplete or untouched; why a port could
// not be used; a box that never answered or stopped answering; a refused, damaged or
// unasked packet; short sections; an older Application Software file left beside a
// new image; and a summary line of what was done.
#pragma once

#include <ctime>
#include <string>

#include "app/cli/upload_plan.h"
#include "display/console/console_display.h"

// A file written by this run: one changed since it began at `started`.
bool WrittenSince(const std::string& path, std::time_t started);

// Why the port could not be used, in this platform's words, with what to do; empty
// when it opened.
std::string PortProblem(const std::string& port, const ConsoleDisplay& display);

// Where a download goes: the image asked for, and the name it came down under (the
// same, or the incomplete name while an earlier image waits to be replaced).
struct DownloadPlace {
    std::string image;
    std::string written;
};

// Reports after a download that began at `started`; returns the exit status (0 done,
// 1 failed, cancelled or completed after an error, 2 port unusable). A replaced image
// takes its place here, once whole.
int ReportDownload(const DownloadPlace& place, int result, ConsoleDisplay& display, std::time_t started);

// Reports after an upload; the exit status likewise (1 also when the box took fewer
// packets than the files hold, or stopped asking for them).
int ReportUpload(const UploadPlan& plan, int result, ConsoleDisplay& display);
