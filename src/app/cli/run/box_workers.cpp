#include "app/cli/run/box_workers.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "app/cli/machine/own_process.h"
#include "app/cli/machine/port_names.h"

namespace {

// Whole lines that came on `fd`, handed to `line`; false once it is closed.
template <typename Line>
bool TakeLines(int fd, std::string& partial, Line line) {
    char buffer[8192];
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) return true;
    if (n <= 0) {
        if (!partial.empty()) line(partial);
        partial.clear();
        return false;
    }
    partial.append(buffer, static_cast<std::size_t>(n));
    for (std::size_t end; (end = partial.find('\n')) != std::string::npos; partial.erase(0, end + 1))
        line(partial.substr(0, end));
    return true;
}

}  // namespace

std::vector<std::string> WorkerArguments(const std::vector<std::string>& ours, const std::string& port, bool yes) {
    std::vector<std::string> args{OwnProgram()};
    for (std::size_t i = 0; i < ours.size(); ++i) {
        const std::string& a = ours[i];
        if (a == "-p" || a == "--port" || a == "--progress") {
            ++i;  // and its value
            continue;
        }
        if ((a.rfind("-p", 0) == 0 && a.rfind("--", 0) != 0) || a.rfind("--port=", 0) == 0 ||
            a.rfind("--progress=", 0) == 0)
            continue;
        args.push_back(WithPort(a, port));
    }
    args.insert(args.end(), {"--port", port, "--progress", "json"});
    if (yes) args.push_back("--yes");
    return args;
}

bool StartWorker(BoxWorker& w, const std::vector<std::string>& args) {
    int out[2], err[2];
    if (pipe(out) != 0) return false;
    if (pipe(err) != 0) {
        close(out[0]);
        close(out[1]);
        return false;
    }
    const pid_t parent = getpid();
    w.started = SteadySeconds();
    w.pid = fork();
    if (w.pid == 0) {
        setpgid(0, 0);  // Ctrl-C reaches it through us, once
        // However we end, it is told as by Ctrl-C and ends with its port closed.
        if (!EndWithParent(parent)) _exit(1);
        const int in = open("/dev/null", O_RDONLY);
        dup2(in, STDIN_FILENO);
        dup2(out[1], STDOUT_FILENO);
        dup2(err[1], STDERR_FILENO);
        std::vector<char*> argv;
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(out[1]);
    close(err[1]);
    if (w.pid < 0) {
        close(out[0]);
        close(err[0]);
        return false;
    }
    w.out = out[0];
    w.err = err[0];
    return true;
}

bool PollWorkers(std::vector<BoxWorker>& workers, int ms, WorkerListener& listener) {
    std::vector<pollfd> fds;
    std::vector<std::pair<std::size_t, bool>> whose;  // box, and whether it is its output
    for (std::size_t i = 0; i < workers.size(); ++i) {
        if (workers[i].out >= 0) fds.push_back({workers[i].out, POLLIN, 0}), whose.push_back({i, true});
        if (workers[i].err >= 0) fds.push_back({workers[i].err, POLLIN, 0}), whose.push_back({i, false});
    }
    if (!fds.empty()) poll(fds.data(), fds.size(), ms);
    for (std::size_t k = 0; k < fds.size(); ++k) {
        if (!(fds[k].revents & (POLLIN | POLLHUP | POLLERR))) continue;
        const std::size_t box = whose[k].first;
        BoxWorker& w = workers[box];
        int& fd = whose[k].second ? w.out : w.err;
        std::string& partial = whose[k].second ? w.outLine : w.errLine;
        const bool open = TakeLines(fd, partial, [&](const std::string& line) {
            if (!whose[k].second) {
                w.said.push_back(line);
                listener.Line(box, line);
                return;
            }
            const Json event = Json::parse(line, nullptr, false);
            if (event.is_discarded() || !event.is_object()) return;
            if (event.value("event", "") == "end") {
                w.lastWord = event.value("message", "");
                w.outcome = event.value("outcome", "");
            }
            listener.Event(box, event);
        });
        if (!open) {
            close(fd);
            fd = -1;
        }
    }
    bool anything = false;
    for (std::size_t i = 0; i < workers.size(); ++i) {
        BoxWorker& w = workers[i];
        // A worker ends once its output is over: reaped then.
        if (w.Running() && w.out < 0 && w.err < 0) {
            int raw = 0;
            if (waitpid(w.pid, &raw, 0) == w.pid) {
                w.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
                w.seconds = SteadySeconds() - w.started;
                listener.Ended(i);
            }
        }
        anything = anything || w.Running();
    }
    return anything;
}

void SignalWorkers(const std::vector<BoxWorker>& workers, int signal) {
    for (const BoxWorker& w : workers)
        if (w.Running()) kill(w.pid, signal);
}
