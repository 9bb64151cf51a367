// What the command line says after a transfer, on top of the session's own
// messages: why a port could not be used; a box that never answered or stopped
// answering; a refused, damaged or unasked packet; short sections; where a download
// that did not take its name lies, complete or incomplete; and a summary line of
// what was done.
#pragma once

#include <string>

#include "app/cli/image/upload_plan.h"
#include "display/console/console_display.h"

// Why the port could not be used, in this platform's words, with what to do; empty
// when it opened.
std::string PortProblem(const std::string& port, const ConsoleDisplay& display);

// Where a download goes: the image asked for, the incomplete name it comes down
// under, and whether an earlier image stood under the name.
struct DownloadPlace {
    std::string image;
    std::string incomplete;
    bool earlier = false;
};

// Reports after a download; returns the exit status (0 done, 1 failed, cancelled or
// completed after an error, 2 port unusable). The image takes its name here, once
// whole; otherwise what came down stays under the incomplete name.
int ReportDownload(const DownloadPlace& place, int result, ConsoleDisplay& display);

// Reports after an upload; the exit status likewise (1 also when the box took fewer
// packets than the files hold, or stopped asking for them).
int ReportUpload(const UploadPlan& plan, int result, ConsoleDisplay& display);
