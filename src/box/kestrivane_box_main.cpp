// kestrivane-box: the emulated box on a pseudo-terminal, for trying the tool
// without a receiver. Prints the pty's path on its first line of output.
#include <sys/stat.h>

#include <CLI/CLI.hpp>

#include <csignal>
#include <cstdio>
#include <sstream>

#include "box/image.h"
#include "box/pty_device.h"
#include "box/pty_server.h"
#include "box/synthetic_image.h"
#include "core/whole_number.h"
#include "display/console/help_format.h"
#include "version.h"

namespace {

volatile std::sig_atomic_t stopRequested = 0;

void OnSignal(int) { stopRequested = 1; }

bool ParseCounts(const std::string& text, box::SyntheticPlan* plan) {
    std::stringstream in(text);
    std::string item;
    for (int i = 0; i < SectionCount; ++i) {
        if (!std::getline(in, item, ',')) return false;
        if (item == "-") {
            plan->packets[i] = -1;
            continue;
        }
        long count = 0;
        if (!ParseWholeNumber(item, 0, 4080, &count)) return false;
        plan->packets[i] = static_cast<int>(count);
    }
    return !std::getline(in, item, ',');
}

// Writes every complete received section as DIR/recorded.urN.
void Record(const std::string& dir, const box::Box& b) {
    for (const box::ReceivedSection& r : b.Received()) {
        if (!r.kind) continue;
        const std::string path = dir + "/recorded." + SectionSuffix(*r.kind);
        if (!box::WriteFileBytes(path, r.bytes)) std::fprintf(stderr, "kestrivane-box: cannot write %s\n", path.c_str());
        std::fprintf(stderr, "kestrivane-box: received %s: %u of %u data packets%s -> %s\n", SectionName(*r.kind),
                     r.packets, r.announced, r.refused ? " (refused with NAK)" : "", path.c_str());
    }
}

// What the command line asks for.
struct Args {
    std::string link, imagePath, counts = "32,16,48,4,16", recordDir, writeImage, mode = "auto";
    std::vector<std::string> faultTexts;
    long baud = 0;
    int etbPeriodMs = 100, powerOnDelayMs = 500, sectionGapMs = 1500;
    unsigned seed = 1;
    int boxes = -1, boxGapMs = 2000;
    bool once = false, verbose = false;
};

void AddOptions(CLI::App& app, Args& a) {
    app.add_option("--link", a.link, "also make PATH a symbolic link to the pty (for example a Wine prefix's dosdevices/com5)");
    auto* imageOpt = app.add_option("--image", a.imagePath, "serve a stored image: an index or section file path (NAME.ur1 .. NAME.ur5 are read) or a URT file");
    app.add_option("--synthetic", a.counts, "serve a made-up image with these data packet counts per section, '-' for none")
        ->excludes(imageOpt)
        ->capture_default_str();
    app.add_option("--seed", a.seed, "seed of the made-up image")->capture_default_str();
    app.add_option("--write-image", a.writeImage, "write the served image as a download would (NAME.dat with NAME.ur1 ..) and go on");
    app.add_option("--record", a.recordDir, "write sections received on upload as DIR/recorded.ur1 ..");
    app.add_option("--fault", a.faultTexts, "misbehave as the fault says (below); may be given more than once");
    app.add_option("--baud", a.baud, "pace the line to this rate, both ways, byte by byte (default: as fast as the pty goes)");
    app.add_option("--mode", a.mode, "auto (announce a download, turn to an upload on ETB), download or upload")
        ->check(CLI::IsMember({"auto", "download", "upload"}))
        ->capture_default_str();
    app.add_option("--etb-period", a.etbPeriodMs, "milliseconds between announcing ETBs")->capture_default_str();
    app.add_option("--section-gap", a.sectionGapMs, "milliseconds from a section's last packet to the next announcement")
        ->capture_default_str();
    app.add_option("--power-on-delay", a.powerOnDelayMs, "milliseconds from the port's opening to the box's switching on")
        ->capture_default_str();
    app.add_option("--boxes", a.boxes, "serve box after box, this many (0: without end), then exit; each the next "
                                       "seed's image")
        ->check(CLI::NonNegativeNumber);
    app.add_option("--box-gap", a.boxGapMs, "with --boxes: milliseconds a box stays off between two")->capture_default_str();
    app.add_flag("--once", a.once, "serve one session (the port opened and closed again), then exit: status 0 when the transfer finished");
    app.add_flag("-v,--verbose", a.verbose, "say what happens on standard error");
}

// The box's behaviour: its mode, pace and faults; false after saying why not.
bool BoxBehaviour(const Args& a, box::BoxOptions* options) {
    options->mode = a.mode == "download" ? box::BoxMode::Download
                    : a.mode == "upload" ? box::BoxMode::Upload
                                         : box::BoxMode::Auto;
    options->etbPeriod = box::Micros{a.etbPeriodMs} * 1000;
    options->sectionGap = box::Micros{a.sectionGapMs} * 1000;
    options->baud = a.baud;  // 10 bits a byte on the line, both ways
    for (const std::string& text : a.faultTexts) {
        std::string error;
        auto fault = box::ParseFault(text, &error);
        if (!fault) {
            std::fprintf(stderr, "kestrivane-box: %s\n", error.c_str());
            return false;
        }
        options->faults.push_back(*fault);
    }
    return true;
}

// The image the box serves: a stored one, or a made-up one by `plan`; false after
// saying why not.
bool ServedImage(const Args& a, box::Image* image, box::SyntheticPlan* plan) {
    if (!a.imagePath.empty()) {
        std::string error;
        auto loaded = box::LoadImage(a.imagePath, &error);
        if (!loaded) {
            std::fprintf(stderr, "kestrivane-box: %s\n", error.c_str());
            return false;
        }
        *image = std::move(*loaded);
    } else {
        plan->seed = a.seed;
        if (!ParseCounts(a.counts, plan)) {
            std::fprintf(stderr, "kestrivane-box: --synthetic needs five counts (0..4080 or -), such as 32,16,48,4,16\n");
            return false;
        }
        *image = box::SyntheticImage(*plan);
    }
    if (!a.writeImage.empty() && !box::WriteImage(a.writeImage, *image)) {
        std::fprintf(stderr, "kestrivane-box: cannot write the image to %s\n", a.writeImage.c_str());
        return false;
    }
    return true;
}

box::PtyServerOptions ServerOptions(const Args& a, const box::BoxOptions& options) {
    box::PtyServerOptions server;
    server.powerOnDelay = box::Micros{a.powerOnDelayMs} * 1000;
    server.once = a.once;
    server.verbose = a.verbose;
    server.baud = a.baud;
    server.boxes = a.boxes;
    server.boxGap = box::Micros{a.boxGapMs} * 1000;
    for (const box::Fault& f : options.faults)
        server.poweredFromStart = server.poweredFromStart || f.kind == box::FaultKind::EtbStream;
    return server;
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"Serves an emulated receiver box on a new pseudo-terminal and prints its path."};
    app.formatter(std::make_shared<WrappingFormatter>());
    app.set_version_flag("--version", std::string("kestrivane-box ") + KESTRIVANE_VERSION);
    app.footer("Faults (--fault NAME[@K][=V][:SECTION]; K a data packet number counted from 1, SECTION one of "
               "flash, satellite, resource, eeprom, application or 1..5; without it the first section it can hit):\n" +
               box::FaultHelp());
    Args a;
    AddOptions(app, a);
    CLI11_PARSE(app, argc, argv);

    box::BoxOptions options;
    box::Image image;
    box::SyntheticPlan plan;
    if (!BoxBehaviour(a, &options) || !ServedImage(a, &image, &plan)) return 2;
    if (!a.recordDir.empty()) mkdir(a.recordDir.c_str(), 0777);

    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    std::signal(SIGHUP, OnSignal);

    PtyDevice pty;
    if (!a.link.empty() && !pty.AddLink(a.link)) {
        std::fprintf(stderr, "kestrivane-box: cannot make the link %s\n", a.link.c_str());
        return 2;
    }
    std::printf("%s\n", pty.SlavePath().c_str());
    std::fflush(stdout);

    box::PtyServer server(
        pty,
        [&](int number) {
            // Box after box, each the next seed's made-up image.
            if (a.boxes >= 0 && a.imagePath.empty() && number > 0) {
                box::SyntheticPlan next = plan;
                next.seed = a.seed + static_cast<unsigned>(number);
                image = box::SyntheticImage(next);
            }
            return std::make_unique<box::Box>(image, options);
        },
        ServerOptions(a, options),
        [&](const box::Box& b) {
            if (!a.recordDir.empty()) Record(a.recordDir, b);
            // As a real box, it holds from now on the sections it was given whole.
            const box::Image received = b.ReceivedImage();
            for (SectionKind kind : AllSections)
                if (received[kind]) image[kind] = received[kind];
        });
    return server.Run(stopRequested);
}
