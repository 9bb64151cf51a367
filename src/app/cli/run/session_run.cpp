#include "app/cli/run/session_run.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "app/cli/run/signals.h"
#include "app/cli/terminal/say.h"
#include "app/cli/records/trace_link.h"
#include "core/cancel_flag.h"
#include "core/link_settings.h"
#include "link/serial_link.h"

SessionRun::SessionRun(const TransferOptions& options)
    : options_(options), display_(stdout, stderr, isatty(STDERR_FILENO), options.quiet) {
    if (options.progressJson) {
        events_ = std::make_unique<ProgressEvents>(stdout, LinkSettings.PortName);
        display_.SetEvents(events_.get());
    }
    display_.SetLineRate(LinkSettings.BaudRate / 10.0);
    display_.SetPatience(options.patience);
}

int SessionRun::Run(const std::function<int()>& session) {
    if (options_.verbose) OnLineNote([](const std::string& note) { Say(note); });
    std::FILE* trace = nullptr;
    std::unique_ptr<TracingBackend> tracer;
    if (!options_.trace.empty()) {
        trace = std::fopen(options_.trace.c_str(), "a");
        if (!trace) {
            traceError_ = errno;
        } else {
            tracer = std::make_unique<TracingBackend>(PlatformSerialBackend(), trace);
            SetSerialBackend(tracer.get());
        }
    }
    SetCurrentDisplay(&display_);
    CancelFlag = 0;
    CatchSignals();
    const int result = session();
    SetCurrentDisplay(nullptr);
    SetSerialBackend(nullptr);
    if (tracer && !traceError_) traceError_ = tracer->WriteError();
    if (trace && std::fclose(trace) != 0 && !traceError_) traceError_ = errno;
    return result;
}

int SessionRun::Finish(int status, TransferRecord record) {
    display_.Finish();
    if (traceError_) {
        Say("the trace " + options_.trace + " is incomplete: " + std::strerror(traceError_));
        if (status == 0) status = 1;
    }
    std::string message = display_.OutOfPatience();
    if (message.empty()) message = display_.LastMessage();
    if (message.empty() && CancelFlag) message = "cancelled";
    if (message.empty() && status != 0) message = "the box did not answer";
    if (!options_.log.empty()) {
        record.port = LinkSettings.PortName;
        record.status = status;
        record.message = message;
        std::string why;
        if (!AppendToLog(options_.log, record, &why)) {
            Say(why + "; the log misses this transfer's line");
            if (status == 0) status = 1;
        }
    }
    if (events_) events_->End(status, message);
    return status;
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
