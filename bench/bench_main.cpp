// kestrivane-bench: ratios measured side by side in one run, each the median round's
// of short paired rounds (the two sides alternate, so both meet the same load), that
// round's two figures beside it, with every far end in a process of its own:
//   - the serial link's round trip against a bare read/poll loop;
//   - a whole download and upload by `kestrivane`, per data packet, against a bare
//     client doing the same exchanges with the same minimal box; CPU per packet;
//   - the same download over an exact-rate 115200 bit/s relay, against the bare
//     client and against stop-and-wait's limit; the tool's CPU share and peak RSS;
//     and ZMODEM (sz/rz) for the same bytes where lrzsz is installed;
//   - a download with --fast-header against one without, from the emulated box paced
//     at 115200 bit/s, and that session against ZMODEM for the image's bytes;
//   - four emulated boxes paced at 115200 bit/s downloaded at once by one command,
//     against one box alone;
//   - a station serving 32 such ports of 3 boxes each, against one port of 3 boxes,
//     and the station's own CPU share.
//
//   kestrivane-bench [--quick | --packets | --boxes | --header]
//     --quick: one short round of each, for a smoke test; --packets: only the rows
//     against the bare client, to see how well runs agree; --boxes: only the rows of
//     several boxes and the station; --header: only the rows of --fast-header.
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/bench_processes.h"
#include "bench/bench_roles.h"
#include "bench/bench_rows.h"
#include "core/packet.h"
#include "core/section_kind.h"
#include "link/serial_link.h"
#include "link/session_link.h"

namespace {

namespace fs = std::filesystem;


// One session's data packets and the time they took, as the box saw them.
struct Measured {
    long packets = 0;
    double perPacketUs = 0;
    Ran ran;
};

Measured Measure(Child& box, const std::vector<std::string>& args) {
    Measured s;
    s.ran = RunProgram(args);
    long long us = 0;
    if (std::sscanf(box.Line().c_str(), "packets %ld us %lld", &s.packets, &us) != 2 || s.packets == 0 || s.ran.status != 0) {
        std::fprintf(stderr, "kestrivane-bench: %s did not complete (status %d)\n", args[0].c_str(), s.ran.status);
        std::exit(1);
    }
    s.perPacketUs = static_cast<double>(us) / s.packets;
    return s;
}

// Round trips over the link: 1 byte out, a 2069-byte packet back.
double LinkRoundTrips(const std::string& port, int trips) {
    const auto backend = MakePlatformSerialBackend();
    NullObserver nobody;
    Session session(*backend, nobody);
    session.settings.link.PortName = port;
    session.settings.link.BaudRate = 115200;
    if (!OpenSerialLink(session)) std::exit(1);
    LinkTimeouts record;
    SetLinkTimeouts(session, record, 1000, 1000);
    std::uint8_t buffer[PacketBufferSize];
    const auto start = BenchClock::now();
    for (int i = 0; i < trips; ++i) {
        WriteLinkByte(session, ENQ);
        if (ReadLink(session, buffer, DataPacketSize) != DataPacketSize) std::exit(1);
    }
    const double seconds = std::chrono::duration<double>(BenchClock::now() - start).count();
    CloseSerialLink(session);
    return seconds;
}

double BareRoundTrips(const std::string& port, int trips) {
    const int fd = OpenRaw(port);
    std::uint8_t buffer[PacketBufferSize];
    const auto start = BenchClock::now();
    for (int i = 0; i < trips; ++i) {
        const std::uint8_t request = ENQ;
        WriteAllBytes(fd, &request, 1);
        if (!ReadExactly(fd, buffer, DataPacketSize)) std::exit(1);
    }
    const double seconds = std::chrono::duration<double>(BenchClock::now() - start).count();
    close(fd);
    return seconds;
}

// An image's index and section files gone.
void RemoveImage(const std::string& image) {
    std::remove(image.c_str());
    for (SectionKind kind : AllSections) std::remove(SectionFilePath(image, kind).c_str());
}

void Row(const char* what, double ratio, const char* goal, const std::string& detail) {
    std::printf("  %-52s %6.3f  %-7s %s\n", what, ratio, goal, detail.c_str());
}

std::string Format(const char* format, double a, double b = 0) {
    char text[128];
    std::snprintf(text, sizeof text, format, a, b);
    return text;
}

bool Installed(const char* program) {
    return std::system((std::string("command -v ") + program + " >/dev/null 2>&1").c_str()) == 0;
}

// Seconds sz takes to send `bytes` random bytes to rz over a relay paced at 115200
// bit/s, or 0 when it fails (said).
double ZmodemSeconds(const fs::path& dir, double bytes) {
    Child relay({"relay", "115200", "new"});
    const std::string farSide = relay.Line();
    const fs::path zdir = dir / "zmodem";
    fs::remove_all(zdir);
    fs::create_directories(zdir / "in");
    std::system(("head -c " + std::to_string(static_cast<long>(bytes)) + " /dev/urandom > " + (zdir / "data").string()).c_str());
    const std::string receive = "cd " + (zdir / "in").string() + " && stty raw -echo < " + farSide +
                                " && timeout 120 rz -q -y < " + farSide + " > " + farSide + " 2>/dev/null &";
    std::system(receive.c_str());
    const auto start = BenchClock::now();
    const std::string send = "stty raw -echo < " + relay.Port() + " && timeout 120 sz -q " + (zdir / "data").string() + " < " +
                             relay.Port() + " > " + relay.Port() + " 2>/dev/null";
    const int status = std::system(send.c_str());
    const double seconds = std::chrono::duration<double>(BenchClock::now() - start).count();
    if (status == 0) return seconds;
    std::printf("  ZMODEM: sz failed (status %d): no comparison\n", status);
    return 0;
}

}  // namespace

// A download with --fast-header against one without, and against ZMODEM for the
// image's bytes.
void FastHeaderRows(const std::string& tool, const fs::path& dir) {
    std::string detail;
    double fastSeconds = 0, imageBytes = 0;
    Row("download session, fast header / specified header, paced 115200",
        FastHeaderRatio(tool, dir.string(), 3, &detail, &fastSeconds, &imageBytes), "<= 0.80", detail);
    if (!Installed("sz") || !Installed("rz") || imageBytes == 0) return;
    const double seconds = ZmodemSeconds(dir, imageBytes);
    if (seconds > 0)
        Row("download session, fast header / ZMODEM, same bytes, 115200", fastSeconds / seconds, "",
            Format("(%.1f s / %.1f s)", fastSeconds, seconds));
}

// Several boxes at once, and the station.
void BoxesRows(const std::string& tool, const std::string& dir) {
    std::string detail;
    Row("4 boxes at once / 1 box, paced 115200, same image", SeveralBoxesRatio(tool, dir, &detail), "<= 1.20", detail);
    double share = 0, whole = 0;
    Row("station, 32 ports x 3 boxes / 1 port x 3 boxes, a box's time", StationRatio(tool, dir, &detail, &share, &whole),
        "<= 1.05", detail);
    std::printf("  the station's CPU while it serves 32 ports: its first thread %.2f %% of one core, all it runs for "
                "them (its sessions included) %.2f %%\n", share, whole);
}

int main(int argc, char** argv) {
    BenchSelf() = fs::canonical("/proc/self/exe").string();
    const std::string& self = BenchSelf();
    const std::string role = argc > 1 ? argv[1] : "";
    std::vector<std::string> rest(argv + std::min(argc, 2), argv + argc);
    if (role == "box") return RunMinimalBox(rest);
    if (role == "bare") return RunBareClient(rest);
    if (role == "relay") return RunRelay(rest);
    if (role == "echo") return RunEcho(rest);
    const bool quick = role == "--quick", packetsOnly = role == "--packets";
    const std::string tool = fs::path(self).parent_path().parent_path() / "src" / "kestrivane";

    const fs::path dir = fs::temp_directory_path() / ("kestrivane-bench-" + std::to_string(getpid()));
    fs::create_directories(dir);
    const std::string toolImage = (dir / "tool.dat").string(), bareImage = (dir / "bare.dat").string();
    setvbuf(stdout, nullptr, _IOLBF, 0);
    std::printf("kestrivane-bench: ratios measured side by side in this run (each the median of its paired rounds' "
                "ratios; brackets: that round's two figures)\n");
    std::printf("  %-52s %6s  %-7s %s\n", "measure", "ratio", "goal", "");
    if (role == "--boxes" || role == "--header") {
        if (role == "--boxes") BoxesRows(tool, dir.string());
        else FastHeaderRows(tool, dir);
        fs::remove_all(dir);
        return 0;
    }

    {   // The link.
        Child echo({"echo"});
        const int rounds = quick ? 11 : 201, trips = quick ? 20 : 100;
        Paired us;  // a round trip: SerialLink, bare loop
        LinkRoundTrips(echo.Port(), 20);
        for (int r = 0; r < rounds; ++r) {
            const bool linkFirst = r % 2 == 0;
            double link = 0, bare = 0;
            if (linkFirst) link = LinkRoundTrips(echo.Port(), trips);
            bare = BareRoundTrips(echo.Port(), trips);
            if (!linkFirst) link = LinkRoundTrips(echo.Port(), trips);
            us.Add(link * 1e6 / trips, bare * 1e6 / trips);
        }
        Row("link round trip: SerialLink / bare poll loop", us.Ratio(), "<= 1.10",
            Format("(%.1f us / %.1f us a round trip)", us.A(), us.B()));
    }

    // Sections whole as announced (16 data packets a count unit; 4 for Eeprom Database's 1).
    const std::string sections = quick ? "16,16,16,4,16" : "64,64,64,4,64";
    const int rounds = quick ? 1 : 161;  // enough that five runs agree within two hundredths
    double cpu[2][2] = {};  // [download, upload][kestrivane, bare client], microseconds a packet
    for (const bool download : {true, false}) {
        Child box({"box", download ? "download" : "upload", sections});
        Paired us;  // a data packet: kestrivane, bare client
        std::vector<double> toolCpu, bareCpu;
        for (int r = 0; r < rounds + 1; ++r) {  // the first round warms up
            const std::vector<std::string> toolArgs =
                download ? std::vector<std::string>{tool, "--quiet", "--port", box.Port(), "--packet-length", "2048",
                                                    "download", "--yes", toolImage}
                         : std::vector<std::string>{tool, "--quiet", "--port", box.Port(), "upload", "--yes", toolImage};
            const std::vector<std::string> bareArgs = {self, "bare", download ? "download" : "upload", box.Port(),
                                                       download ? bareImage : toolImage};
            if (download) {  // both sides write new files (an image of that name would be replaced whole)
                RemoveImage(toolImage);
                RemoveImage(bareImage);
            }
            Measured a, b;
            if (r % 2) {
                b = Measure(box, bareArgs);
                a = Measure(box, toolArgs);
            } else {
                a = Measure(box, toolArgs);
                b = Measure(box, bareArgs);
            }
            if (r == 0) continue;
            us.Add(a.perPacketUs, b.perPacketUs);
            toolCpu.push_back(a.ran.cpu * 1e6 / a.packets);
            bareCpu.push_back(b.ran.cpu * 1e6 / b.packets);
        }
        Row(download ? "download per packet: kestrivane / bare client" : "upload per packet: kestrivane / bare client",
            us.Ratio(), "<= 1.10", Format("(%.1f us / %.1f us)", us.A(), us.B()));
        cpu[download ? 0 : 1][0] = Median(toolCpu);
        cpu[download ? 0 : 1][1] = Median(bareCpu);
    }
    std::printf("  CPU per packet, whole process: kestrivane %.1f us down, %.1f us up; bare client %.1f us, %.1f us\n",
                cpu[0][0], cpu[1][0], cpu[0][1], cpu[1][1]);
    if (packetsOnly) {
        fs::remove_all(dir);
        return 0;
    }

    {   // The emulated box's own cost, serving the same download to kestrivane.
        Child emulated({"--synthetic", sections, "--etb-period", "20", "--section-gap", "0", "--power-on-delay", "0"},
                       (fs::path(tool).parent_path() / "kestrivane-box").string());
        std::vector<double> boxCpu;
        for (int r = 0; r < (quick ? 1 : 5); ++r) {
            const double before = emulated.CpuSeconds();
            const Ran ran = RunProgram({tool, "--quiet", "--port", emulated.Port(), "--packet-length", "2048",
                                        "download", "--yes", toolImage});
            const double packets = quick ? 68 : 260;
            if (ran.status == 0) boxCpu.push_back((emulated.CpuSeconds() - before) * 1e6 / packets);
        }
        std::printf("  kestrivane-box CPU per packet served: %.1f us (kestrivane's: %.1f us)\n", Median(boxCpu), cpu[0][0]);
    }

    double pacedPerPacketUs = 0;
    {   // A paced line: 115200 bit/s through the relay.
        Child box({"box", "download", quick ? "16,0,0,0,0" : "16,16,0,4,0"});
        Child relay({"relay", "115200", box.Port()});
        const double limitUs = (1 + DataPacketSize) * 10 * 1e6 / 115200;  // ENQ out, packet back
        Paired us;  // a data packet: kestrivane, bare client
        std::vector<double> shares, rss;
        for (int r = 0; r < (quick ? 1 : 3); ++r) {
            const Measured a = Measure(box, {tool, "--quiet", "--port", relay.Port(), "--packet-length", "2048",
                                            "download", "--yes", toolImage});
            const Measured b = Measure(box, {self, "bare", "download", relay.Port(), bareImage});
            us.Add(a.perPacketUs, b.perPacketUs);
            shares.push_back(100 * a.ran.cpu / a.ran.wall);
            rss.push_back(a.ran.maxRssKb / 1024.0);
        }
        pacedPerPacketUs = us.A();
        Row("paced 115200 per packet: kestrivane / bare client", us.Ratio(), "",
            Format("(%.2f ms / %.2f ms)", us.A() / 1000, us.B() / 1000));
        Row("paced 115200 per packet: kestrivane / stop-and-wait", us.A() / limitUs, "",
            Format("(%.2f ms / %.2f ms)", us.A() / 1000, limitUs / 1000));
        // What the peak memory is made of: the program and its libraries alone, before any work.
        const Ran idle = RunProgram({tool, "--version"});
        std::printf("  paced 115200: kestrivane CPU %.2f %% of wall time, peak RSS %.1f MB (%.1f MB of it the program "
                    "and its shared libraries alone: kestrivane --version)\n",
                    Median(shares), Median(rss), idle.maxRssKb / 1024.0);
    }
    if (quick)  // a row of half a minute: not in a smoke test
        std::printf("  4 boxes at once / 1 box, and the station's bench: measured without --quick\n");
    else
        BoxesRows(tool, dir.string());
    if (quick)
        std::printf("  download session, fast header / specified header: measured without --quick\n");
    else
        FastHeaderRows(tool, dir);
    if (!Installed("sz") || !Installed("rz")) {
        std::printf("  ZMODEM: lrzsz (sz, rz) is not installed: no comparison with it\n");
    } else {
        const double bytes = (quick ? 16 : 36) * double{DataPacketSize};
        const double seconds = ZmodemSeconds(dir, bytes);
        if (seconds > 0)
            Row("paced 115200 data phase: kestrivane / ZMODEM (sz, rz)",
                pacedPerPacketUs * (bytes / DataPacketSize) / 1e6 / seconds, "",
                Format("(%.0f bytes in %.2f s by ZMODEM)", bytes, seconds));
    }
    fs::remove_all(dir);
    return 0;
}
