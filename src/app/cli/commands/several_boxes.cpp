#include "app/cli/commands/several_boxes.h"

#include <unistd.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>

#include "app/cli/image/upload_plan.h"
#include "app/cli/machine/port_names.h"
#include "app/cli/machine/serial_ports.h"
#include "app/cli/run/before_the_box.h"
#include "app/cli/run/box_workers.h"
#include "app/cli/run/image_checks.h"
#include "app/cli/run/read_back.h"
#include "app/cli/run/session_run.h"
#include "app/cli/run/signals.h"
#include "app/cli/terminal/box_board.h"
#include "app/cli/terminal/event_lines.h"
#include "app/cli/terminal/say.h"

namespace {

volatile std::sig_atomic_t signalsToPass = 0;  // Ctrl-C and the like, not yet passed on
volatile std::sig_atomic_t firstSignal = 0;    // the first of them

void OnSignal(int signal) {
    if (!firstSignal) firstSignal = signal;
    signalsToPass = signalsToPass + 1;
}

std::string Joined(const std::vector<std::string>& ports) {
    std::string text;
    for (const std::string& p : ports) text += (text.empty() ? "" : ", ") + p;
    return text;
}

std::string FileKey(const std::string& path) { return std::filesystem::absolute(path).lexically_normal().string(); }

// Two ports that are one device, or whose image or trace names come out the same
// (img-{port}.dat for l1/com1 and l2/com1): why they cannot be served together ("" when
// they can). `imageName` gives a port's image name ("" for none of its own).
std::string Clash(const std::vector<std::string>& ports, const std::function<std::string(const std::string&)>& imageName,
                  const std::string& trace) {
    std::map<std::string, std::string> devices, images, traces;
    for (const std::string& port : ports) {
        const auto device = devices.emplace(DeviceIdentity(port), port);
        if (!device.second)
            return "the ports " + device.first->second + " and " + port + " are one device: give each port once";
        const std::string name = imageName(port);
        if (!name.empty()) {
            const auto same = images.emplace(FileKey(name), port);
            if (!same.second)
                return "the ports " + same.first->second + " and " + port + " give one image name, " + name +
                       ": their {port} is the same; give each box a name of its own";
        }
        if (!trace.empty()) {
            const auto same = traces.emplace(FileKey(WithPort(trace, port)), port);
            if (!same.second)
                return "the ports " + same.first->second + " and " + port + " give one trace name, " +
                       WithPort(trace, port) + ": their {port} is the same";
        }
    }
    return {};
}

// The checks, once for all boxes; -1 to go on.
int PrepareAll(TransferKind kind, const std::string& image, const TransferOptions& options,
               const std::vector<std::string>& ports) {
    if (!options.trace.empty() && options.trace.find(PortPlaceholder) == std::string::npos)
        return Refuse("with several ports give --trace a name holding " + std::string(PortPlaceholder) +
                      ", such as trace-{port}.txt: each box its own trace");
    if (kind == TransferKind::Download && image.find(PortPlaceholder) == std::string::npos)
        return Refuse("with several ports the image's name must hold " + std::string(PortPlaceholder) +
                      ", such as img-{port}.dat: each box its own image");
    const auto downloadName = [&](const std::string& port) {
        std::string name = WithPort(image, port);
        if (kind == TransferKind::Download) AddDatExtension(&name);
        return kind == TransferKind::Download ? name : std::string();
    };
    if (const std::string clash = Clash(ports, downloadName, options.trace); !clash.empty()) return Refuse(clash);
    for (const std::string& port : ports)
        if (const std::string bad = CheckRecords(WithPort(options.trace, port), options.log); !bad.empty())
            return Refuse(bad);
    if (kind == TransferKind::Upload) {
        if (const int refused = SettleBeforeReading(image); refused >= 0) return refused;
        UploadPlan plan;
        return PrepareUpload(ReadStoredImage(image), options, Joined(ports), &plan);
    }
    if (kind == TransferKind::Verify) {
        for (const std::string& port : ports) {
            if (const int refused = SettleBeforeReading(WithPort(image, port)); refused >= 0) return refused;
            std::string why;
            if (VerifyTargetOf(ReadStoredImage(WithPort(image, port)), &why).files.empty())
                return Refuse("cannot verify: " + why);
        }
        return -1;
    }
    std::vector<std::string> existing;
    for (const std::string& port : ports) {
        std::string name = WithPort(image, port);
        ImageNames names;
        if (const int refused = PrepareDownloadName(&name, &names); refused >= 0) return refused;
        if (ImageExists(names)) existing.push_back(name);
    }
    return existing.empty() ? -1 : ConfirmReplacing(Joined(existing), options);
}

// A worker's word on its transfer: its end event's message; else (it ended without
// one) its last line of its own.
std::string WhatItSaid(const BoxWorker& w) {
    if (!w.lastWord.empty()) return w.lastWord;
    for (auto line = w.said.rbegin(); line != w.said.rend(); ++line)
        if (line->rfind("kestrivane: ", 0) == 0 && line->rfind("kestrivane: warning", 0) != 0) return line->substr(12);
    return w.said.empty() ? std::string() : w.said.back();
}

const char* ResultOf(int status) {
    return status == 0 ? "done" : status == 2 ? "could not start" : status > 128 ? "cancelled" : "failed";
}

// One line a box: port, result, time, message.
void SayResults(const std::vector<BoxWorker>& workers) {
    std::fprintf(stderr, "%-12s %-16s %7s  %s\n", "port", "result", "time", "message");
    for (const BoxWorker& w : workers)
        std::fprintf(stderr, "%-12s %-16s %6.1fs  %s\n", Printable(PortBaseName(w.port)).c_str(), ResultOf(w.status),
                     w.seconds, Printable(WhatItSaid(w)).c_str());
}

// What the workers say goes to the board on a terminal, otherwise behind each port's
// name (JSON events as they are: they carry their port).
class Shown final : public WorkerListener {
public:
    Shown(const std::vector<BoxWorker>& workers, const std::vector<std::string>& ports, const TransferOptions& options)
        : workers_(workers), board_(ports, stderr), lines_(stdout, stderr), json_(options.progressJson),
          onBoard_(isatty(STDERR_FILENO) && !options.progressJson && !options.quiet), quiet_(options.quiet) {}

    void Event(std::size_t box, const Json& event) override {
        if (onBoard_) return board_.Event(box, event);
        if (json_) {
            std::fprintf(stdout, "%s\n", event.dump().c_str());
            std::fflush(stdout);
        } else if (!quiet_) {
            lines_.Event(Name(box), event);
        }
    }
    void Line(std::size_t box, const std::string& line) override {
        if (!onBoard_) std::fprintf(stderr, "%s: %s\n", Name(box).c_str(), line.c_str());
    }
    void Ended(std::size_t box) override {
        if (onBoard_) board_.Ended(box, workers_[box].status);
    }
    void Start() {
        if (onBoard_) board_.Draw(true);
    }
    void Tick() {
        if (onBoard_) board_.Draw();
    }
    // The board as it stands, and below it what each box's worker said.
    void Finish() {
        if (!onBoard_) return;
        board_.Finish();
        for (const BoxWorker& w : workers_)
            for (const std::string& line : w.said)
                std::fprintf(stderr, "%s: %s\n", Printable(PortBaseName(w.port)).c_str(), line.c_str());
    }

private:
    std::string Name(std::size_t box) const { return Printable(PortBaseName(workers_[box].port)); }

    const std::vector<BoxWorker>& workers_;
    BoxBoard board_;
    EventLines lines_;
    bool json_, onBoard_, quiet_;
};

}  // namespace

int SeveralBoxesCommand(TransferKind kind, const std::string& image, const TransferOptions& options,
                        const std::vector<std::string>& ports, int argc, char** argv) {
    if (const int refused = PrepareAll(kind, image, options, ports); refused >= 0) return refused;

    std::vector<BoxWorker> workers(ports.size());
    Shown shown(workers, ports, options);
    CatchStopSignals(OnSignal);

    const std::vector<std::string> ours(argv + 1, argv + argc);
    for (std::size_t i = 0; i < ports.size(); ++i) {
        workers[i].port = ports[i];
        if (!StartWorker(workers[i], WorkerArguments(ours, ports[i], kind != TransferKind::Verify))) workers[i].status = 2;
    }
    shown.Start();
    for (;;) {
        const bool going = PollWorkers(workers, 100, shown);
        for (; signalsToPass > 0; signalsToPass = signalsToPass - 1)
            SignalWorkers(workers, SIGINT);  // a second one stops them at once
        shown.Tick();
        if (!going) break;
    }
    shown.Finish();
    if (!options.quiet) SayResults(workers);

    if (firstSignal) return 128 + firstSignal;
    bool allDone = true, noneStarted = true;
    for (const BoxWorker& w : workers) {
        allDone = allDone && w.status == 0;
        noneStarted = noneStarted && w.status == 2;
    }
    return allDone ? 0 : noneStarted ? 2 : 1;
}
