// Everything around one session that the command line runs: the recorder in front of
// its display (bars, or JSON events with --progress=json), the wire trace with
// --trace, Ctrl-C as Cancel, the patience; and, once the command has the outcome,
// the line of the transfer log (--log) and the completion. The command's JSON end
// event comes once, after all its runs.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/cli/options/transfer_options.h"
#include "app/cli/records/transfer_log.h"
#include "app/cli/run/transfer_outcome.h"
#include "app/cli/run/transfer_recorder.h"
#include "display/console/console_display.h"

// The JSON events of a command (--progress=json), shared by its runs; none without.
std::unique_ptr<ProgressEvents> EventsFor(const TransferOptions& options);

class SessionRun {
public:
    // `download`: the session receives (a download, or a read of the box).
    SessionRun(const TransferOptions& options, ProgressEvents* events, bool download);

    // What the session is told (the options' settings): an upload sets the sections
    // it sends here before it runs.
    SessionSettings& Settings() { return settings_; }
    TransferRecorder& Recorder() { return recorder_; }
    ConsoleDisplay& Display() { return display_; }
    // Runs the session with its settings applied, the recorder current and the trace
    // on the line (its header naming `what` runs: "download box.dat"); how it ended,
    // as far as the session and the watch tell.
    TransferOutcome Run(const std::function<int()>& session, const std::string& what);
    // The run's last word, once the command has its outcome: a trace or a log line
    // that could not be written is said and fails a run that was done; the log line
    // carries the record's files, with their states, which the outcome then lists;
    // the completion is drawn when the run ended well.
    void Finish(TransferOutcome& outcome, TransferRecord record);

private:
    const TransferOptions& options_;
    SessionSettings settings_;
    ConsoleDisplay display_;
    TransferRecorder recorder_;
    bool download_;
    int traceError_ = 0;  // the system's error number of the first trace line not written
};

// The command's last word: the JSON end event, once, last. Returns `status`, by
// default the outcome's.
int EndCommand(ProgressEvents* events, const TransferOutcome& outcome, std::optional<int> status = std::nullopt);

// The trace and the log, opened (or created) as they will be written, before the box
// is touched: "" when both can be, else why not.
std::string CheckRecords(const std::string& trace, const std::string& log);
