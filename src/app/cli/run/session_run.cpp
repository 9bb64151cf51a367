#include "app/cli/run/session_run.h"

#include <cstdio>
#include <cstring>

#include "app/cli/image/disk.h"
#include "app/cli/records/trace_link.h"
#include "app/cli/run/signals.h"
#include "display/console/terminal.h"
#include "version.h"

SessionRun::SessionRun(const BoxJob& job, bool download)
    : job_(job), settings_(job.options.session), download_(download) {
    const TransferOptions& options = job.options;
    const bool terminal = !job.events && IsTerminal(stderr);
    if (!job.events) bars_ = std::make_unique<ConsoleDisplay>(stdout, stderr, terminal, options.quiet);
    view_ = std::make_unique<EventsView>(job.events ? *job.events : *bars_, job.Port(), options.quiet);
    view_->SetLineRate(settings_.link.BaudRate / 10.0);
    if (terminal) view_->SetWaitingEvery(0.5);  // a line drawn in place
    recorder_ = std::make_unique<TransferRecorder>(*view_, download);
}

SessionRun::~SessionRun() = default;

TransferOutcome SessionRun::Run(const std::function<int(Session&)>& run, const std::string& what) {
    const TransferOptions& options = job_.options;
    const std::unique_ptr<SerialBackend> port = MakePlatformSerialBackend();
    std::FILE* trace = nullptr;
    std::unique_ptr<TracingBackend> tracer;
    if (!options.trace.empty()) {
        trace = std::fopen(options.trace.c_str(), "a");
        if (!trace) {
            traceError_ = errno;
        } else {
            tracer = std::make_unique<TracingBackend>(*port, trace, download_);
            char settings[200];
            std::snprintf(settings, sizeof settings, "port %s at %d bit/s, packet length %d, patience %g s",
                          settings_.link.PortName.c_str(), settings_.link.BaudRate, settings_.packetLength(),
                          settings_.patience);
            tracer->Note(std::string("kestrivane ") + KESTRIVANE_VERSION + ", " + UtcNow() + ": " + what);
            tracer->Note(settings);
            recorder_->OnStep([&](TransferStep step, std::optional<SectionKind> section) { tracer->Step(step, section); });
        }
    }
    Session session(tracer ? static_cast<SerialBackend&>(*tracer) : *port, *recorder_);
    session.settings = settings_;
    session.sink = &files_;
    session.source = source_;
    session.stopRequested = [this] { return Stopping(); };
    session.pump = [this] {
        const bool stopping = Stopping();
        if (stopping) SayStopHeard("cancelling at the next check (Ctrl-C again to stop at once)");
        recorder_->Watch(stopping);
    };
    if (options.verbose) session.lineNote = [this](const std::string& note) { job_.voice.Say(note); };
    run(session);
    recorder_->Ended();
    recorder_->OnStep(nullptr);
    if (tracer && !traceError_) traceError_ = tracer->WriteError();
    if (trace && std::fclose(trace) != 0 && !traceError_) traceError_ = errno;
    if (Stopping()) SayStopHeard("cancelling: stopped at the next check");  // heard only as it ended
    view_->Tick(Stopping());
    view_->Finish();
    TransferOutcome outcome =
        Described(session.outcome, settings_.link.PortName, download_, FirstStopSignal(), port->LastOpenFailure());
    if (outcome.kind == OutcomeKind::Cancelled && !outcome.signal && job_.stop->Asked())
        outcome.sentence = "stopped: " + job_.stop->Why();
    if (settings_.fastHeader) AddFastHeaderHint(outcome, session.shortCount > 0 && session.shortPackets == 0);
    return outcome;
}

void SessionRun::SayStopHeard(const char* what) {
    if (stopSaid_ || bars_) return;  // the bars say it among themselves
    stopSaid_ = true;
    job_.voice.Say(what);
}

void SessionRun::Finish(TransferOutcome& outcome, TransferRecord record) {
    view_->Finish();
    const TransferOptions& options = job_.options;
    if (!options.trace.empty() && !traceError_) {
        // The run's outcome ends its part of the trace.
        std::FILE* trace = std::fopen(options.trace.c_str(), "a");
        const bool written = trace && std::fprintf(trace, "# outcome: %s: %s\n", OutcomeName(outcome.kind),
                                                   outcome.sentence.c_str()) >= 0;
        if ((!trace || std::fclose(trace) != 0 || !written) && !traceError_) traceError_ = errno ? errno : EIO;
    }
    if (traceError_) {
        const std::string why = "the trace " + options.trace + " is incomplete: " + std::strerror(traceError_);
        job_.voice.Say(why);
        FailAfter(outcome, OutcomeKind::WriteFailed, why);
    }
    outcome.files.clear();
    for (const LoggedFile& f : record.files) outcome.files.push_back({f.file.path, f.state});
    if (!options.log.empty()) {
        record.sections = SectionTallies(outcome);
        record.port = settings_.link.PortName;
        record.status = outcome.Status();
        record.outcome = OutcomeName(outcome.kind);
        record.message = outcome.sentence;
        std::string why;
        if (!AppendToLog(options.log, record, &why)) {
            why += "; the log misses this transfer's line";
            job_.voice.Say(why);
            FailAfter(outcome, OutcomeKind::WriteFailed, why);
        }
    }
    if (outcome.Ok()) recorder_->ShowCompletion();
}

int EndCommand(const BoxJob& job, const TransferOutcome& outcome, std::optional<int> status) {
    const int ended = status ? *status : outcome.Status();
    if (job.events) {
        std::vector<std::pair<std::string, std::string>> files;
        for (const FileState& f : outcome.files) files.emplace_back(f.path, f.state);
        ProgressEvent end = EndEvent(ended, outcome.kind, outcome.sentence, files, job.Port());
        end.sections = SectionTallies(outcome);
        if (job.served) end.kind = ProgressEvent::Kind::BoxEnd;
        job.events->Take(end);
    }
    job.endSaid->store(true);
    return ended;
}

std::vector<SectionTally> SectionTallies(const SessionOutcome& outcome) {
    std::vector<SectionTally> tallies;
    if (outcome.urt.begun) tallies.push_back({std::nullopt, outcome.urt.announced, outcome.urt.through});
    for (SectionKind kind : AllSections)
        if (const SectionCounts& c = outcome.CountsOf(kind); c.begun) tallies.push_back({kind, c.announced, c.through});
    return tallies;
}

std::string CheckRecords(const std::string& trace, const std::string& log) {
    for (const auto& [what, path] : {std::pair<const char*, const std::string&>{"trace", trace}, {"log", log}}) {
        if (path.empty()) continue;
        if (const int error = AppendToFile(path, ""))
            return WithReason(std::string("cannot write the ") + what + " " + path, error);
    }
    return {};
}
