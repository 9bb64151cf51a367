// pty_peer [--link PATH]... -- COMMAND [ARGS...]
//
// Stands at the far end of a serial line for the link tests: makes a raw pty,
// links it where the test expects its port (a path, or a Wine prefix's COM ports),
// runs COMMAND and answers what the program under test sends:
//   '5'  send 500 bytes of 0x5A
//   'A'  send every byte value 0..255 once
//   'R'  read the next 256 bytes and answer 'K' when they are 0..255 in order, else 'X'
//   'H'  hang up: close the master side, as a cable pulled out; a fresh line then
//        stands under the same links for the next open
// Exits with COMMAND's status.
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "box/pty_device.h"

namespace {

std::unique_ptr<PtyDevice> NewLine(const std::vector<std::string>& links) {
    auto pty = std::make_unique<PtyDevice>();
    for (const std::string& link : links)
        if (!pty->AddLink(link)) std::fprintf(stderr, "pty_peer: cannot link %s\n", link.c_str());
    return pty;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> links;
    int i = 1;
    for (; i < argc && std::strcmp(argv[i], "--") != 0; ++i)
        if (std::strcmp(argv[i], "--link") == 0 && i + 1 < argc) links.push_back(argv[++i]);
    if (i + 1 >= argc) {
        std::fprintf(stderr, "usage: pty_peer [--link PATH]... -- COMMAND [ARGS...]\n");
        return 2;
    }
    std::unique_ptr<PtyDevice> pty = NewLine(links);
    std::vector<std::unique_ptr<PtyDevice>> hungUp;  // kept, so the program sees them gone, not reused

    const pid_t child = fork();
    if (child == 0) {
        execvp(argv[i + 1], argv + i + 1);
        _exit(127);
    }

    std::vector<unsigned char> pending;  // bytes of an 'R' check still to come
    bool checking = false;
    int status = 0;
    for (;;) {
        if (waitpid(child, &status, WNOHANG) == child) break;
        pollfd p{pty->Master(), POLLIN, 0};
        if (poll(&p, 1, 20) <= 0 || !(p.revents & POLLIN)) {
            if (p.revents & POLLHUP) poll(nullptr, 0, 10);  // no program has the port open
            continue;
        }
        unsigned char buf[512];
        const ssize_t n = read(pty->Master(), buf, sizeof buf);
        for (ssize_t k = 0; k < n; ++k) {
            if (checking) {
                pending.push_back(buf[k]);
                if (pending.size() == 256) {
                    bool ok = true;
                    for (int v = 0; v < 256; ++v) ok = ok && pending[v] == v;
                    const std::uint8_t verdict = ok ? 'K' : 'X';
                    pty->WriteAll(&verdict, 1);
                    pending.clear();
                    checking = false;
                }
            } else if (buf[k] == '5') {
                const std::vector<std::uint8_t> five(500, 0x5A);
                pty->WriteAll(five.data(), five.size());
            } else if (buf[k] == 'A') {
                std::vector<std::uint8_t> all(256);
                for (int v = 0; v < 256; ++v) all[v] = static_cast<std::uint8_t>(v);
                pty->WriteAll(all.data(), all.size());
            } else if (buf[k] == 'R') {
                checking = true;
            } else if (buf[k] == 'H') {
                pty->RemoveLinks();
                pty->HangUp();
                hungUp.push_back(std::move(pty));
                pty = NewLine(links);
                break;
            }
        }
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}
