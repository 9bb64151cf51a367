#include "app/cli/commands/several_boxes.h"

#include <unistd.h>

#include <algorithm>
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
#include "app/cli/run/several_boxes_view.h"
#include "app/cli/run/signals.h"
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
        if (const std::string bad = NotASerialPort(port); !bad.empty()) return Refuse("cannot use the port " + port + ": " + bad);
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

}  // namespace

int SeveralBoxesCommand(TransferKind kind, const std::string& image, const TransferOptions& options,
                        const std::vector<std::string>& ports, int argc, char** argv) {
    if (const int refused = PrepareAll(kind, image, options, ports); refused >= 0) return refused;

    std::vector<BoxWorker> workers(ports.size());
    std::vector<std::string> names;
    for (const std::string& name : ShortPortNames(ports)) names.push_back(Printable(name));
    BoxesView shown(workers, names, options, kind == TransferKind::Upload);
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
    if (!options.quiet) SayResults(workers, names);

    int done = 0, notStarted = 0;
    std::string firstFailure;
    for (std::size_t i = 0; i < workers.size(); ++i) {
        done += workers[i].status == 0 ? 1 : 0;
        notStarted += workers[i].status == 2 ? 1 : 0;
        if (workers[i].status != 0 && firstFailure.empty())
            firstFailure = names[i] + " " + BoxResult(workers[i].status) + ": " + WhatItSaid(workers[i]);
    }
    const int boxes = static_cast<int>(workers.size());
    const int status = firstSignal ? 128 + firstSignal : done == boxes ? 0 : notStarted == boxes ? 2 : 1;
    if (options.progressJson) {
        // The command's end, once and last, with every box's files.
        ProgressEvents end(stdout, "");
        end.End(status, status == 0 ? "done" : firstSignal ? "cancelled" : "failed",
                std::to_string(done) + " of " + std::to_string(boxes) + " boxes done" +
                    (firstFailure.empty() ? "" : "; " + firstFailure),
                shown.Files());
    }
    return status;
}
