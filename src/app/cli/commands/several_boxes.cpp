#include "app/cli/commands/several_boxes.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>

#include "app/cli/terminal/box_board.h"
#include "app/cli/run/session_run.h"
#include "app/cli/run/before_the_box.h"
#include "app/cli/image/upload_plan.h"
#include "app/cli/run/read_back.h"
#include "app/cli/terminal/say.h"

namespace {

volatile std::sig_atomic_t signalsToPass = 0;  // Ctrl-C and the like, not yet passed on

void OnSignal(int) { signalsToPass = signalsToPass + 1; }

// One box's worker: this program again, for one port.
struct Worker {
    std::string port;
    pid_t pid = -1;
    int out = -1, err = -1;     // its standard output and error, read here
    std::string outLine, errLine;  // what came of the line being written
    std::vector<std::string> said;  // its lines on standard error
    int status = -1;
    double seconds = 0;
};

std::string Joined(const std::vector<std::string>& ports) {
    std::string text;
    for (const std::string& p : ports) text += (text.empty() ? "" : ", ") + p;
    return text;
}

// The worker's arguments: ours, without the ports (and our --progress when the
// board shows the boxes), {port} made the port's name, then its own port and --yes.
std::vector<std::string> WorkerArguments(int argc, char** argv, const std::string& port, TransferKind kind,
                                         bool board) {
    std::vector<std::string> args{"/proc/self/exe"};
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool progress = a == "--progress" || a.rfind("--progress=", 0) == 0;
        if (a == "-p" || a == "--port" || (board && a == "--progress")) {
            ++i;  // and its value
            continue;
        }
        if ((a.rfind("-p", 0) == 0 && a.rfind("--", 0) != 0) || a.rfind("--port=", 0) == 0 || (board && progress))
            continue;
        args.push_back(WithPort(a, port));
    }
    args.insert(args.end(), {"--port", port});
    if (board) args.insert(args.end(), {"--progress", "json"});
    if (kind != TransferKind::Verify) args.push_back("--yes");  // asked here, once for all
    return args;
}

bool Start(Worker& w, const std::vector<std::string>& args) {
    int out[2], err[2];
    if (pipe(out) != 0 || pipe(err) != 0) return false;
    const pid_t parent = getpid();
    w.pid = fork();
    if (w.pid == 0) {
        setpgid(0, 0);  // Ctrl-C reaches it through us, once
        // However we end, it is told as by Ctrl-C and ends with its port closed.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent) _exit(1);  // we ended before that was said
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
    w.out = out[0];
    w.err = err[0];
    return w.pid > 0;
}

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

// What makes two ports one: the device itself (two paths to it are one), or the path
// when there is nothing under it.
std::string DeviceOf(const std::string& port) {
    struct stat st;
    if (stat(port.c_str(), &st) != 0) return "path " + std::filesystem::absolute(port).lexically_normal().string();
    if (S_ISCHR(st.st_mode)) return "device " + std::to_string(st.st_rdev);
    return "file " + std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino);
}

std::string FileKey(const std::string& path) { return std::filesystem::absolute(path).lexically_normal().string(); }

// Two ports that are one device, or whose image or trace names come out the same
// (img-{port}.dat for l1/com1 and l2/com1): why they cannot be served together ("" when
// they can). `imageName` gives a port's image name ("" for none of its own).
std::string Clash(const std::vector<std::string>& ports, const std::function<std::string(const std::string&)>& imageName,
                  const std::string& trace) {
    std::map<std::string, std::string> devices, images, traces;
    for (const std::string& port : ports) {
        const auto device = devices.emplace(DeviceOf(port), port);
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
        if (const std::string bad = CheckRecords(WithPort(options.trace, port), options.log); !bad.empty())
            return Refuse(bad);
    if (kind == TransferKind::Upload) {
        UploadPlan plan;
        return PrepareUpload(image, options, Joined(ports), &plan);
    }
    if (kind == TransferKind::Verify) {
        for (const std::string& port : ports) {
            std::string why;
            if (SectionsToVerify(WithPort(image, port), &why).empty()) return Refuse("cannot verify: " + why);
        }
        return -1;
    }
    std::vector<std::string> existing;
    for (const std::string& port : ports) {
        std::string name = WithPort(image, port);
        if (const int refused = PrepareDownloadName(&name); refused >= 0) return refused;
        if (ImageExists(name)) existing.push_back(name);
    }
    return existing.empty() ? -1 : ConfirmReplacing(Joined(existing), options);
}

// A worker's word on its transfer, from its lines: after a success its last (the
// summary); after a failure its first error, else its first line of its own.
std::string WhatItSaid(const Worker& w) {
    if (w.said.empty()) return {};
    if (w.status == 0) return w.said.back();
    for (const std::string& line : w.said)
        if (line.rfind("Error: ", 0) == 0) return line;
    for (const std::string& line : w.said)
        if (line.rfind("kestrivane: ", 0) == 0 && line.rfind("kestrivane: warning", 0) != 0) return line;
    return w.said.back();
}

// One line a box: port, result, time, message.
void SayResults(const std::vector<Worker>& workers, const BoxBoard& board) {
    std::fprintf(stderr, "%-12s %-16s %7s  %s\n", "port", "result", "time", "message");
    for (std::size_t i = 0; i < workers.size(); ++i) {
        const Worker& w = workers[i];
        std::string message = board.LastWord(i);
        if (message.empty()) message = WhatItSaid(w);
        if (message.rfind("kestrivane: ", 0) == 0) message = message.substr(12);
        const char* result = w.status == 0 ? "done" : w.status == 2 ? "could not start" : "failed";
        std::fprintf(stderr, "%-12s %-16s %6.1fs  %s\n", PortBaseName(w.port).c_str(), result, w.seconds,
                     message.c_str());
    }
}

}  // namespace

std::string WithPort(std::string text, const std::string& port) {
    const std::string name = PortBaseName(port);
    for (std::size_t at; (at = text.find(PortPlaceholder)) != std::string::npos;)
        text.replace(at, std::strlen(PortPlaceholder), name);
    return text;
}

int SeveralBoxesCommand(TransferKind kind, const std::string& image, const TransferOptions& options,
                        const std::vector<std::string>& ports, int argc, char** argv) {
    if (const int refused = PrepareAll(kind, image, options, ports); refused >= 0) return refused;

    // On a terminal a line a box, from the workers' events; otherwise their lines,
    // each behind its port (JSON events carry it themselves).
    const bool board = isatty(STDERR_FILENO) && !options.progressJson && !options.quiet;
    std::vector<Worker> workers(ports.size());
    BoxBoard lines(ports, stderr);
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    for (int s : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) sigaction(s, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    const auto start = std::chrono::steady_clock::now();
    for (std::size_t i = 0; i < ports.size(); ++i) {
        workers[i].port = ports[i];
        if (!Start(workers[i], WorkerArguments(argc, argv, ports[i], kind, board))) workers[i].status = 2;
    }
    if (board) lines.Draw(true);
    // A worker that has ended: its status and time.
    const auto reap = [&](std::size_t i, int waitFlags) {
        Worker& w = workers[i];
        int raw = 0;
        if (w.pid <= 0 || w.status >= 0 || waitpid(w.pid, &raw, waitFlags) != w.pid) return;
        w.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 1;
        w.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (board) lines.Ended(i, w.status);
    };

    for (;;) {
        std::vector<pollfd> fds;
        std::vector<std::pair<std::size_t, bool>> whose;  // box, and whether it is its output
        for (std::size_t i = 0; i < workers.size(); ++i) {
            if (workers[i].out >= 0) fds.push_back({workers[i].out, POLLIN, 0}), whose.push_back({i, true});
            if (workers[i].err >= 0) fds.push_back({workers[i].err, POLLIN, 0}), whose.push_back({i, false});
        }
        if (fds.empty()) break;
        poll(fds.data(), fds.size(), 100);
        for (; signalsToPass > 0; signalsToPass = signalsToPass - 1)
            for (const Worker& w : workers)
                if (w.pid > 0 && w.status < 0) kill(w.pid, SIGINT);  // a second one stops them at once
        for (std::size_t k = 0; k < fds.size(); ++k) {
            if (!(fds[k].revents & (POLLIN | POLLHUP))) continue;
            Worker& w = workers[whose[k].first];
            const std::size_t box = whose[k].first;
            const std::string name = PortBaseName(w.port);
            bool open;
            if (whose[k].second) {
                open = TakeLines(w.out, w.outLine, [&](const std::string& line) {
                    if (!board) {
                        if (options.progressJson) std::fprintf(stdout, "%s\n", line.c_str());  // it names its port
                        else std::fprintf(stdout, "%s: %s\n", name.c_str(), line.c_str());
                        std::fflush(stdout);
                        return;
                    }
                    const Json event = Json::parse(line, nullptr, false);
                    if (!event.is_discarded()) lines.Event(box, event);
                });
            } else {
                open = TakeLines(w.err, w.errLine, [&](const std::string& line) {
                    w.said.push_back(line);
                    if (!board) std::fprintf(stderr, "%s: %s\n", name.c_str(), line.c_str());
                });
            }
            if (!open) {
                int& fd = whose[k].second ? w.out : w.err;
                close(fd);
                fd = -1;
            }
        }
        for (std::size_t i = 0; i < workers.size(); ++i) reap(i, WNOHANG);
        if (board) lines.Draw();
    }
    for (std::size_t i = 0; i < workers.size(); ++i) reap(i, 0);  // their output over, they end
    if (board) {
        lines.Finish();
        for (const Worker& w : workers)  // what each box's worker said, below the lines
            for (const std::string& line : w.said)
                std::fprintf(stderr, "%s: %s\n", PortBaseName(w.port).c_str(), line.c_str());
    }
    if (!options.quiet) SayResults(workers, lines);

    bool allDone = true, noneStarted = true;
    for (const Worker& w : workers) {
        allDone = allDone && w.status == 0;
        noneStarted = noneStarted && w.status == 2;
    }
    return allDone ? 0 : noneStarted ? 2 : 1;
}
