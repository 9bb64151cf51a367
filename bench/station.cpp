// A station's bench against one port: 32 emulated boxes paced at 115200 bit/s, each
// serving 3 boxes one after another, served by one station, against one such port
// served alone; and the station's own CPU share while it serves the 32.
#include "bench/bench_rows.h"

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <thread>

#include "bench/bench_processes.h"

namespace {

namespace fs = std::filesystem;

int Lines(const std::string& path) {
    std::ifstream in(path);
    int n = 0;
    for (std::string line; std::getline(in, line);) ++n;
    return n;
}

double CpuOf(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/schedstat");
    unsigned long long ns = 0;
    in >> ns;
    return static_cast<double>(ns) / 1e9;
}

double Seconds(const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; }

// CPU seconds of the children reaped so far.
double ChildrenCpu() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
}

// Serves `ports` ports of 3 boxes each with one station until every box is in its
// log; the seconds that took, the CPU share of the station's first thread (its
// board), and that of all it ran for it, its sessions included (0 when it failed).
double Serve(const std::string& tool, const fs::path& dir, int ports, double* cpuShare, double* wholeShare) {
    const std::string box = (fs::path(tool).parent_path() / "kestrivane-box").string();
    fs::remove_all(dir);
    fs::create_directories(dir / "ports");
    std::vector<std::unique_ptr<Child>> boxes;
    for (int i = 0; i < ports; ++i)
        boxes.push_back(std::make_unique<Child>(
            std::vector<std::string>{"--synthetic", "16,16,16,4,16", "--baud", "115200", "--power-on-delay", "0",
                                     "--etb-period", "20", "--section-gap", "100", "--boxes", "3", "--box-gap", "1000",
                                     "--link", (dir / "ports" / ("p" + std::to_string(i))).string()},
            box));
    const std::string log = (dir / "station.log").string();
    const std::vector<std::string> args = {tool, "--port", (dir / "ports" / "*").string(), "station", "--log", log,
                                           "download", (dir / "img-{port}-{n}").string()};
    const double childrenBefore = ChildrenCpu();
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = StartProgram(args);
    double seconds = 0;
    while (Lines(log) < 3 * ports && seconds < 600) {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    *cpuShare = 100 * CpuOf(pid) / seconds;
    kill(pid, SIGINT);
    int status = 0;
    waitpid(pid, &status, 0);  // (the boxes, children too, are reaped later)
    *wholeShare = 100 * (ChildrenCpu() - childrenBefore) / seconds;
    return Lines(log) == 3 * ports ? seconds : 0;
}

}  // namespace

double StationRatio(const std::string& tool, const std::string& dir, std::string* detail, double* cpuShare,
                    double* wholeShare) {
    double oneShare = 0, oneWhole = 0;
    const double one = Serve(tool, fs::path(dir) / "station-1", 1, &oneShare, &oneWhole);
    const double many = Serve(tool, fs::path(dir) / "station-32", 32, cpuShare, wholeShare);
    if (one == 0 || many == 0) {
        std::fprintf(stderr, "kestrivane-bench: the stations did not serve every box\n");
        return 0;
    }
    char text[96];
    std::snprintf(text, sizeof text, "(%.1f s / %.1f s a box)", many / 3, one / 3);
    *detail = text;
    return many / one;
}
