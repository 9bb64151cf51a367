// Everything around one session that the command line runs for a box: its port, the
// recorder in front of its view (bars, plain lines, or events), the wire trace with
// --trace, Ctrl-C as its Cancel, its patience; and, once the command has the
// outcome, the line of the transfer log (--log) and the completion. The command's end
// event comes once, after all its runs.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/cli/image/new_files_sink.h"
#include "app/cli/records/transfer_log.h"
#include "app/cli/run/box_job.h"
#include "app/cli/run/signals.h"
#include "app/cli/run/transfer_outcome.h"
#include "app/cli/run/transfer_recorder.h"
#include "display/console/console_display.h"
#include "display/console/events_view.h"
#include "link/session.h"

class SessionRun {
public:
    // `download`: the session receives (a download, or a read of the box).
    SessionRun(const BoxJob& job, bool download);
    ~SessionRun();

    // What the session is told (the box's settings): an upload sets the sections it
    // sends here before it runs.
    SessionSettings& Settings() { return settings_; }
    // Where an upload's files come from (they must outlive the run).
    void Send(ImageSource& files) { source_ = &files; }
    TransferRecorder& Recorder() { return *recorder_; }
    // The bars, when this transfer shows them (not as events).
    ConsoleDisplay* Bars() { return bars_.get(); }
    // Runs `session` on a session of its own (the box's port, its settings, the
    // recorder as its observer, Ctrl-C as its Cancel, the trace on its line, whose
    // header names `what` runs: "download box.dat"); how it ended.
    TransferOutcome Run(const std::function<int(Session&)>& session, const std::string& what);
    // The run's last word, once the command has its outcome: a trace or a log line
    // that could not be written is said and fails a run that was done; the log line
    // carries the record's files, with their states, which the outcome then lists;
    // the completion is drawn when the run ended well.
    void Finish(TransferOutcome& outcome, TransferRecord record);

private:
    // The user's Ctrl-C, or this session's own stop.
    bool Stopping() const { return StopsAsked() > 0 || job_.stop->Asked(); }
    // That the stop was heard, once, where no bars say it (events, or a box served with others).
    void SayStopHeard(const char* what);

    const BoxJob& job_;
    SessionSettings settings_;
    NewFilesSink files_;  // what a download writes
    ImageSource* source_ = nullptr;
    std::unique_ptr<ConsoleDisplay> bars_;  // the bars, when the events go to no other sink
    std::unique_ptr<EventsView> view_;
    std::unique_ptr<TransferRecorder> recorder_;
    bool download_;
    int traceError_ = 0;
    bool stopSaid_ = false;  // the system's error number of the first trace line not written
};

// The command's last word on the box: its end event (a "box-end" for one of several),
// once, last. Returns `status`, by default the outcome's.
int EndCommand(const BoxJob& job, const TransferOutcome& outcome, std::optional<int> status = std::nullopt);

// Each section that began, with its data packets against the count its header announced.
std::vector<SectionTally> SectionTallies(const SessionOutcome& outcome);

// The trace and the log, opened (or created) as they will be written, before the box
// is touched: "" when both can be, else why not.
std::string CheckRecords(const std::string& trace, const std::string& log);
