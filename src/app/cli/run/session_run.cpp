#include "app/cli/run/session_run.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "app/cli/records/trace_link.h"
#include "app/cli/run/signals.h"
#include "app/cli/terminal/say.h"
#include "core/cancel_flag.h"
#include "core/link_settings.h"
#include "core/profile.h"
#include "link/serial_link.h"
#include "upload/upload_session.h"
#include "upload/urt_mode.h"
#include "version.h"

namespace {

// Each setting where the session reads it, at once.
void Apply(const SessionSettings& settings, TransferRecorder& recorder) {
    LinkSettings = settings.link;
    OverrideProfileValue("PacketLength", std::to_string(settings.packetLength));
    UrtMode = settings.urt;
    CheckStoredPackets = settings.checkStoredPackets;
    recorder.SetPatience(settings.patience);
    recorder.SetChecked(settings.sections);
}

}  // namespace

std::unique_ptr<ProgressEvents> EventsFor(const TransferOptions& options) {
    if (!options.progressJson) return nullptr;
    return std::make_unique<ProgressEvents>(stdout, options.session.link.PortName);
}

SessionRun::SessionRun(const TransferOptions& options, ProgressEvents* events, bool download)
    : options_(options), settings_(options.session), display_(stdout, stderr, isatty(STDERR_FILENO), options.quiet),
      recorder_(display_, download), download_(download) {
    display_.SetEvents(events);
    display_.SetLineRate(settings_.link.BaudRate / 10.0);
}

TransferOutcome SessionRun::Run(const std::function<int()>& session, const std::string& what) {
    Apply(settings_, recorder_);
    if (options_.verbose) OnLineNote([](const std::string& note) { Say(note); });
    std::FILE* trace = nullptr;
    std::unique_ptr<TracingBackend> tracer;
    if (!options_.trace.empty()) {
        trace = std::fopen(options_.trace.c_str(), "a");
        if (!trace) {
            traceError_ = errno;
        } else {
            tracer = std::make_unique<TracingBackend>(PlatformSerialBackend(), trace, download_);
            char settings[200];
            std::snprintf(settings, sizeof settings, "port %s at %d bit/s, packet length %d, patience %g s",
                          settings_.link.PortName.c_str(), settings_.link.BaudRate, settings_.packetLength,
                          settings_.patience);
            tracer->Note(std::string("kestrivane ") + KESTRIVANE_VERSION + ", " + UtcNow() + ": " + what);
            tracer->Note(settings);
            recorder_.OnStep([&](TransferStep step, std::optional<SectionKind> section) { tracer->Step(step, section); });
            SetSerialBackend(tracer.get());
        }
    }
    SetCurrentDisplay(&recorder_);
    CancelFlag = 0;
    CancelSignal = 0;
    CatchSignals();
    const int result = session();
    SetCurrentDisplay(nullptr);
    SetSerialBackend(nullptr);
    recorder_.OnStep(nullptr);
    if (tracer && !traceError_) traceError_ = tracer->WriteError();
    if (trace && std::fclose(trace) != 0 && !traceError_) traceError_ = errno;
    display_.Finish();
    return recorder_.Outcome(result, settings_.link.PortName);
}

void SessionRun::Finish(TransferOutcome& outcome, TransferRecord record) {
    display_.Finish();
    if (!options_.trace.empty() && !traceError_) {
        // The run's outcome ends its part of the trace.
        std::FILE* trace = std::fopen(options_.trace.c_str(), "a");
        const bool written = trace && std::fprintf(trace, "# outcome: %s: %s\n", OutcomeName(outcome.kind),
                                                   outcome.sentence.c_str()) >= 0;
        if ((!trace || std::fclose(trace) != 0 || !written) && !traceError_) traceError_ = errno ? errno : EIO;
    }
    if (traceError_) {
        const std::string why = "the trace " + options_.trace + " is incomplete: " + std::strerror(traceError_);
        Say(why);
        if (outcome.Ok()) outcome = Failure(OutcomeKind::WriteFailed, why);
    }
    outcome.files.clear();
    for (const LoggedFile& f : record.files) outcome.files.push_back({f.file.path, f.state});
    if (!options_.log.empty()) {
        record.port = settings_.link.PortName;
        record.status = outcome.Status();
        record.outcome = OutcomeName(outcome.kind);
        record.message = outcome.sentence;
        std::string why;
        if (!AppendToLog(options_.log, record, &why)) {
            why += "; the log misses this transfer's line";
            Say(why);
            if (outcome.Ok()) {
                std::vector<FileState> files = std::move(outcome.files);
                outcome = Failure(OutcomeKind::WriteFailed, why);
                outcome.files = std::move(files);
            }
        }
    }
    if (outcome.Ok()) recorder_.ShowCompletion();
}

int EndCommand(ProgressEvents* events, const TransferOutcome& outcome, std::optional<int> status) {
    const int ended = status ? *status : outcome.Status();
    if (events) {
        std::vector<std::pair<std::string, std::string>> files;
        for (const FileState& f : outcome.files) files.emplace_back(f.path, f.state);
        events->End(ended, OutcomeName(outcome.kind), outcome.sentence, files);
    }
    return ended;
}

std::string CheckRecords(const std::string& trace, const std::string& log) {
    for (const auto& [what, path] : {std::pair<const char*, const std::string&>{"trace", trace}, {"log", log}}) {
        if (path.empty()) continue;
        const int fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0) return std::string("cannot write the ") + what + " " + path + ": " + std::strerror(errno);
        close(fd);
    }
    return {};
}
