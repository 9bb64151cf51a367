#include "support/process.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <stdexcept>

namespace {

using Clock = std::chrono::steady_clock;

pid_t Spawn(const std::vector<std::string>& argv, int outFd, int errFd) {
    const pid_t pid = fork();
    if (pid == 0) {
        const int in = open("/dev/null", O_RDONLY);
        dup2(in, 0);
        dup2(outFd, 1);
        dup2(errFd, 2);
        std::vector<char*> args;
        for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    return pid;
}

void Drain(int fd, std::string* into) {
    char buffer[4096];
    ssize_t n;
    while ((n = read(fd, buffer, sizeof buffer)) > 0) into->append(buffer, static_cast<std::size_t>(n));
}

int StatusOf(int raw) { return WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw); }

}  // namespace

ProcessResult RunProgram(const std::vector<std::string>& argv, int interruptAfterMs, bool errOnTerminal) {
    std::vector<TimedSignal> signals;
    if (interruptAfterMs >= 0) signals.push_back({interruptAfterMs, SIGINT});
    return RunProgram(argv, signals, errOnTerminal);
}

ProcessResult RunProgram(const std::vector<std::string>& argv, std::vector<TimedSignal> signals, bool errOnTerminal) {
    int out[2], err[2];
    if (pipe(out) != 0 || pipe(err) != 0) throw std::runtime_error("pipe");
    if (errOnTerminal) {
        close(err[0]);
        close(err[1]);
        err[0] = posix_openpt(O_RDWR | O_NOCTTY);
        if (err[0] < 0 || grantpt(err[0]) != 0 || unlockpt(err[0]) != 0) throw std::runtime_error("pty");
        err[1] = open(ptsname(err[0]), O_RDWR | O_NOCTTY);
        winsize size{};
        size.ws_col = 80;
        size.ws_row = 24;
        ioctl(err[1], TIOCSWINSZ, &size);
    }
    const auto start = Clock::now();
    const pid_t pid = Spawn(argv, out[1], err[1]);
    close(out[1]);
    close(err[1]);
    fcntl(out[0], F_SETFL, O_NONBLOCK);
    fcntl(err[0], F_SETFL, O_NONBLOCK);
    ProcessResult result;
    std::size_t sent = 0;
    int raw = 0;
    for (;;) {
        pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
        poll(fds, 2, sent < signals.size() ? 2 : 20);
        Drain(out[0], &result.out);
        Drain(err[0], &result.err);
        while (sent < signals.size() && Clock::now() - start >= std::chrono::milliseconds(signals[sent].afterMs))
            kill(pid, signals[sent++].number);
        if (waitpid(pid, &raw, WNOHANG) == pid) break;
    }
    result.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    Drain(out[0], &result.out);
    Drain(err[0], &result.err);
    close(out[0]);
    close(err[0]);
    result.status = StatusOf(raw);
    return result;
}

BoxProcess::BoxProcess(std::vector<std::string> args) {
    int out[2], err[2];
    if (pipe(out) != 0 || pipe(err) != 0) throw std::runtime_error("pipe");
    args.insert(args.begin(), KV_BOX_BINARY);
    pid_ = Spawn(args, out[1], err[1]);
    close(out[1]);
    close(err[1]);
    errFd_ = err[0];
    char c;
    while (read(out[0], &c, 1) == 1 && c != '\n') port_ += c;
    close(out[0]);
    if (port_.empty()) throw std::runtime_error("kestrivane-box did not start");
}

BoxProcess::~BoxProcess() { Stop(); }

std::string BoxProcess::Stop() {
    std::string said;
    if (pid_ < 0) return said;
    kill(pid_, SIGTERM);
    int raw;
    waitpid(pid_, &raw, 0);
    Drain(errFd_, &said);
    close(errFd_);
    pid_ = -1;
    return said;
}
