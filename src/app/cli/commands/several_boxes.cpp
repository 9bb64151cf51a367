#include "app/cli/commands/several_boxes.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <thread>

#include "app/cli/image/stored_file.h"
#include "app/cli/image/upload_plan.h"
#include "app/cli/machine/port_names.h"
#include "app/cli/machine/serial_ports.h"
#include "app/cli/run/before_the_box.h"
#include "app/cli/run/download_name.h"
#include "app/cli/run/image_checks.h"
#include "app/cli/run/read_back.h"
#include "app/cli/run/session_run.h"
#include "app/cli/run/several_boxes_view.h"
#include "app/cli/run/signals.h"
#include "app/cli/terminal/say.h"

namespace {

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
    Voice& voice = StandardError();
    if (!options.trace.empty() && options.trace.find(PortPlaceholder) == std::string::npos)
        return voice.Refuse("with several ports give --trace a name holding " + std::string(PortPlaceholder) +
                      ", such as trace-{port}.txt: each box its own trace");
    if (kind == TransferKind::Download && image.find(PortPlaceholder) == std::string::npos)
        return voice.Refuse("with several ports the image's name must hold " + std::string(PortPlaceholder) +
                      ", such as img-{port}.dat: each box its own image");
    const auto downloadName = [&](const std::string& port) {
        std::string name = WithPort(image, port);
        if (kind == TransferKind::Download) AddDatExtension(&name);
        return kind == TransferKind::Download ? name : std::string();
    };
    if (const std::string clash = Clash(ports, downloadName, options.trace); !clash.empty()) return voice.Refuse(clash);
    for (const std::string& port : ports)
        if (const std::string bad = NotASerialPort(port); !bad.empty()) return voice.Refuse("cannot use the port " + port + ": " + bad);
    for (const std::string& port : ports)
        if (const std::string bad = CheckRecords(WithPort(options.trace, port), options.log); !bad.empty())
            return voice.Refuse(bad);
    if (kind == TransferKind::Upload) {
        ImageLock lock;
        if (const int refused = PrepareReading(image, &lock, voice); refused >= 0) return refused;
        UploadPlan plan;
        return PrepareUpload(ReadStoredImage(image), options, Joined(ports), &plan, voice);
    }
    if (kind == TransferKind::Verify) {
        for (const std::string& port : ports) {
            ImageLock lock;
            if (const int refused = PrepareReading(WithPort(image, port), &lock, voice); refused >= 0) return refused;
            std::string why;
            if (VerifyTargetOf(ReadStoredImage(WithPort(image, port)), &why).files.empty())
                return voice.Refuse("cannot verify: " + why);
        }
        return -1;
    }
    std::vector<std::string> existing;
    for (const std::string& port : ports) {
        std::string name = WithPort(image, port);
        ImageNames names;
        ImageLock lock;
        if (const int refused = PrepareDownloadName(&name, &names, &lock, port, voice); refused >= 0) return refused;
        if (ImageExists(names)) existing.push_back(name);
    }
    return existing.empty() ? -1 : ConfirmReplacing(Joined(existing), options, voice);
}

}  // namespace

int SeveralBoxesCommand(TransferKind kind, const std::string& image, const TransferOptions& options,
                        const std::vector<std::string>& ports, const BoxCommand& command) {
    if (const int refused = PrepareAll(kind, image, options, ports); refused >= 0) return refused;

    std::vector<std::string> names;
    for (const std::string& name : ShortPortNames(ports)) names.push_back(Printable(name));
    std::vector<std::unique_ptr<ServedBox>> boxes;
    for (const std::string& port : ports) {
        boxes.push_back(std::make_unique<ServedBox>());
        boxes.back()->port = port;
    }
    JsonEventWriter json(stdout);
    BoxesView view(boxes, names, options, kind == TransferKind::Upload, options.progressJson ? &json : nullptr);
    // Each box its own job, on a thread of its own.
    std::vector<std::unique_ptr<BoxJob>> jobs;
    for (std::unique_ptr<ServedBox>& box : boxes) {
        jobs.push_back(std::make_unique<BoxJob>(BoxJob{BoxOptions(options, box->port, kind), box->voice, &view, true, nullptr}));
        box->Start([&command, &view, kind, job = jobs.back().get(), box = box.get(), boxImage = WithPort(image, box->port)] {
            const int status = command(kind, boxImage, *job);
            // A box refused before its session ends all the same, with why.
            if (!job->endSaid->load()) {
                ProgressEvent end = EndEvent(status, OutcomeKind::PortUnusable, box->voice.Refusal(), {}, box->port);
                end.kind = ProgressEvent::Kind::BoxEnd;
                view.Take(end);
            }
            return status;
        });
    }
    view.Draw(true);
    for (bool running = true; running;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        running = false;
        for (std::size_t i = 0; i < boxes.size(); ++i) {
            if (boxes[i]->Reap()) view.Ended(i);
            running = running || boxes[i]->Running();
        }
        view.Draw();
    }
    view.Finish();

    int done = 0, notStarted = 0;
    for (const std::unique_ptr<ServedBox>& box : boxes) {
        done += box->status == 0 ? 1 : 0;
        notStarted += box->status == 2 ? 1 : 0;
    }
    const int all = static_cast<int>(boxes.size());
    const int stop = FirstStopSignal();
    const int status = stop ? 128 + stop : done == all ? 0 : notStarted == all ? 2 : 1;
    if (options.progressJson) {
        // The command's end, once and last, with every box's files.
        const std::string failure = view.FirstFailure();
        json.Take(EndEvent(status, status == 0 ? OutcomeKind::Done : stop ? OutcomeKind::Cancelled : OutcomeKind::Failed,
                           std::to_string(done) + " of " + std::to_string(all) + " boxes done" +
                               (failure.empty() ? "" : "; " + failure),
                           view.Files()));
    }
    return status;
}
