#include "bench/bench_processes.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

#include "bench/bench_roles.h"

std::string& BenchSelf() {
    static std::string self;
    return self;
}

Child::Child(const std::vector<std::string>& args, const std::string& program) {
    int out[2];
    if (pipe(out) != 0) std::exit(1);
    pid_ = fork();
    if (pid_ == 0) {
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    close(out[1]);
    out_ = fdopen(out[0], "r");
    port_ = Line();
}

Child::~Child() {
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
    std::fclose(out_);
}

double Child::CpuSeconds() const {
    std::FILE* f = std::fopen(("/proc/" + std::to_string(pid_) + "/schedstat").c_str(), "r");
    unsigned long long ns = 0;
    if (f) {
        if (std::fscanf(f, "%llu", &ns) != 1) ns = 0;
        std::fclose(f);
    }
    return static_cast<double>(ns) / 1e9;
}

std::string Child::Line() {
    char line[256] = "";
    if (!std::fgets(line, sizeof line, out_)) return "";
    std::string s = line;
    if (!s.empty() && s.back() == '\n') s.pop_back();
    return s;
}

pid_t StartProgram(const std::vector<std::string>& args) {
    const pid_t pid = fork();
    if (pid == 0) {
        const int null = open("/dev/null", O_RDWR);
        dup2(null, STDIN_FILENO);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        std::vector<char*> argv;
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    return pid;
}

Ran RunProgram(const std::vector<std::string>& args) {
    const auto start = BenchClock::now();
    const pid_t pid = StartProgram(args);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    Ran r;
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.wall = std::chrono::duration<double>(BenchClock::now() - start).count();
    r.cpu = usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    r.maxRssKb = usage.ru_maxrss;
    return r;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

void Paired::Add(double a, double b) {
    a_.push_back(a);
    b_.push_back(b);
}

std::size_t Paired::Middle() const {
    std::vector<std::size_t> order(a_.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    const auto ratio = [this](std::size_t i) { return a_[i] / b_[i]; };
    std::sort(order.begin(), order.end(), [&](std::size_t x, std::size_t y) { return ratio(x) < ratio(y); });
    return order[(order.size() - 1) / 2];
}

double Paired::Ratio() const { return a_.empty() ? 0 : A() / B(); }
double Paired::A() const { return a_.empty() ? 0 : a_[Middle()]; }
double Paired::B() const { return b_.empty() ? 0 : b_[Middle()]; }
