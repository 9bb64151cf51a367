// Several boxes at once against one: four emulated boxes paced at 115200 bit/s, all
// serving the same image, downloaded by one command, against one of them alone.
#include "bench/bench_rows.h"

#include <cstdio>
#include <filesystem>
#include <memory>

#include "bench/bench_processes.h"

double SeveralBoxesRatio(const std::string& tool, const std::string& dir, std::string* detail) {
    const std::string box = (std::filesystem::path(tool).parent_path() / "kestrivane-box").string();
    const std::vector<std::string> options = {"--synthetic", "16,16,16,4,16", "--baud", "115200",
                                              "--power-on-delay", "0", "--etb-period", "20", "--section-gap", "100"};
    std::vector<std::unique_ptr<Child>> boxes;
    for (int i = 0; i < 4; ++i) boxes.push_back(std::make_unique<Child>(options, box));
    std::vector<std::string> four = {tool, "--quiet"};
    for (const auto& b : boxes) four.insert(four.end(), {"--port", b->Port()});
    four.insert(four.end(), {"download", "--yes", dir + "/four-{port}.dat"});
    const std::vector<std::string> one = {tool, "--quiet", "--port", boxes[0]->Port(), "download", "--yes",
                                          dir + "/one.dat"};
    Paired seconds;  // four boxes, one box
    for (int round = 0; round < 3; ++round) {
        const Ran a = RunProgram(four), b = RunProgram(one);
        if (a.status != 0 || b.status != 0) {
            std::fprintf(stderr, "kestrivane-bench: the downloads from several boxes did not complete (%d, %d)\n",
                         a.status, b.status);
            return 0;
        }
        seconds.Add(a.wall, b.wall);
    }
    char text[96];
    std::snprintf(text, sizeof text, "(%.1f s / %.1f s)", seconds.A(), seconds.B());
    *detail = text;
    return seconds.Ratio();
}
