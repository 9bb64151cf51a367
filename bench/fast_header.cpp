// A download with --fast-header against one without, from the emulated box paced at
// 115200 bit/s (100 ms between sections), both images byte for byte the box's.
#include "bench/bench_rows.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "bench/bench_processes.h"
#include "core/section_kind.h"

namespace {

std::string Bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool SameSections(const std::string& a, const std::string& b) {
    for (SectionKind kind : AllSections) {
        const std::string x = Bytes(SectionFilePath(a, kind)), y = Bytes(SectionFilePath(b, kind));
        if (x.empty() || x != y) return false;
    }
    return true;
}

}  // namespace

double FastHeaderRatio(const std::string& tool, const std::string& dir, int rounds, std::string* detail,
                       double* fastSeconds, double* imageBytes) {
    const std::string program = (std::filesystem::path(tool).parent_path() / "kestrivane-box").string();
    const std::string truth = dir + "/served.dat";
    Child box({"--synthetic", "16,16,16,4,16", "--baud", "115200", "--power-on-delay", "0", "--etb-period", "20",
               "--section-gap", "100", "--write-image", truth},
              program);
    const std::string fast = dir + "/fast.dat", usual = dir + "/usual.dat";
    Paired seconds;  // with --fast-header, without
    for (int round = 0; round < rounds; ++round) {
        const Ran a = RunProgram({tool, "--quiet", "--port", box.Port(), "download", "--yes", "--fast-header", fast});
        const Ran b = RunProgram({tool, "--quiet", "--port", box.Port(), "download", "--yes", usual});
        if (a.status != 0 || b.status != 0 || !SameSections(fast, truth) || !SameSections(usual, truth)) {
            std::fprintf(stderr, "kestrivane-bench: the downloads with and without --fast-header did not both give "
                                 "the box's image (status %d, %d)\n", a.status, b.status);
            return 0;
        }
        seconds.Add(a.wall, b.wall);
    }
    *imageBytes = 0;
    for (SectionKind kind : AllSections) *imageBytes += static_cast<double>(Bytes(SectionFilePath(truth, kind)).size());
    *fastSeconds = seconds.A();
    char text[96];
    std::snprintf(text, sizeof text, "(%.1f s / %.1f s)", seconds.A(), seconds.B());
    *detail = text;
    return seconds.Ratio();
}
