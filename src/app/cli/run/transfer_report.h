// What the command line says after a transfer, on top of the session's own
// messages, and what becomes of its files: the outcome's cause; a refused, damaged
// or unasked packet; short sections; where a download that did not take its name
// lies, complete or incomplete; what a box holds after an upload that ended early;
// and a summary line of what was done. Each report may make the outcome more
// exact, and gives the files, with their states, for the log and the end event.
#pragma once

#include <string>
#include <vector>

#include "app/cli/image/upload_plan.h"
#include "app/cli/records/transfer_log.h"
#include "app/cli/run/transfer_outcome.h"
#include "app/cli/run/transfer_recorder.h"

// Where a download goes: the image asked for, the incomplete name it comes down
// under, and whether an earlier image stood under the name.
struct DownloadPlace {
    std::string image;
    std::string incomplete;
    bool earlier = false;
};

// After a download: the image takes its name here, once whole; otherwise what came
// down stays under the incomplete name. `quiet`: only failures are said.
std::vector<LoggedFile> ReportDownload(const DownloadPlace& place, TransferOutcome& outcome,
                                       const TransferRecorder& recorder, bool quiet);

// After an upload: the outcome fails also when the box took fewer packets than the
// files hold, or stopped asking for them.
std::vector<LoggedFile> ReportUpload(const UploadPlan& plan, TransferOutcome& outcome,
                                     const TransferRecorder& recorder, bool quiet);

// "240.7 kB in 20.9 s (11.5 kB/s), FILES": the rate is the bytes over the time shown.
std::string SummaryLine(double bytes, double seconds, const std::string& files);
