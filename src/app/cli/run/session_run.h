// Everything around one session that the command line runs: its display (bars, or
// JSON events with --progress=json), the wire trace with --trace, Ctrl-C as Cancel,
// the patience; and, once the command has its status, the end event and the line
// of the transfer log (--log).
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "app/cli/options/transfer_options.h"
#include "app/cli/records/transfer_log.h"
#include "display/console/console_display.h"

class SessionRun {
public:
    explicit SessionRun(const TransferOptions& options);

    ConsoleDisplay& Display() { return display_; }
    // Runs the session with this run's display current and its trace on the line.
    int Run(const std::function<int()>& session);
    // The command's last word on this run: the status it ends with; the end event and
    // the log line carry it, with what the run said last. A trace or a log line that
    // could not be written is said, and a status of 0 becomes 1.
    int Finish(int status, TransferRecord record);

private:
    const TransferOptions& options_;
    std::unique_ptr<ProgressEvents> events_;
    ConsoleDisplay display_;
    int traceError_ = 0;  // the system's error number of the first trace line not written
};

// The trace and the log, opened (or created) as they will be written, before the box
// is touched: "" when both can be, else why not.
std::string CheckRecords(const std::string& trace, const std::string& log);
