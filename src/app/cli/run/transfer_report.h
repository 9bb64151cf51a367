// What the command line says after a transfer, on top of the session's own
// messages, and what becomes of its files: the outcome's cause; a refused, damaged
// or unasked packet; short sections; where a download that did not take its name
// lies, complete or incomplete; what a box holds after an upload that ended early;
// and a summary line of what was done. Each report may make the outcome more
// exact, and gives the files, with their states, for the log and the end event.
#pragma once

#include <string>
#include <vector>

#include "app/cli/image/image_replace.h"
#include "app/cli/image/upload_plan.h"
#include "app/cli/records/transfer_log.h"
#include "app/cli/run/transfer_outcome.h"
#include "app/cli/run/transfer_recorder.h"
#include "app/cli/terminal/say.h"

// Where a download goes: the image's names, and whether an earlier image stood
// under its name.
struct DownloadPlace {
    ImageNames names;
    bool earlier = false;
};

// After a download, and the placement of a whole one: where the image stands, or
// where what came down lies (and a placement that failed fails the outcome).
// `quiet`: only failures are said.
std::vector<LoggedFile> ReportDownload(const DownloadPlace& place, const Placement& placement,
                                       TransferOutcome& outcome, const TransferRecorder& recorder, bool quiet,
                                       Voice& voice);

// After an upload: the outcome fails also when the box took fewer packets than the
// files hold, or stopped asking for them.
std::vector<LoggedFile> ReportUpload(const UploadPlan& plan, TransferOutcome& outcome,
                                     const TransferRecorder& recorder, bool quiet, Voice& voice);

// "240.7 kB in 20.9 s (11.5 kB/s), FILES": the rate is the bytes over the time shown.
std::string SummaryLine(double bytes, double seconds, const std::string& files);
