// pty_peer [--link PATH]... -- COMMAND [ARGS...]
//
// Stands at the far end of a serial line for the Windows link tests: makes a raw
// pty, links it where the test expects its COM ports, runs COMMAND and answers
// what the program under test sends:
//   '5'  send 500 bytes of 0x5A
//   'A'  send every byte value 0..255 once
//   'R'  read the next 256 bytes and answer 'K' when they are 0..255 in order, else 'X'
//   'H'  hang up: close the master side, as a cable pulled out (the line is gone for good)
// Exits with COMMAND's status.
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "box/pty_device.h"

int main(int argc, char** argv) {
    PtyDevice pty;
    int i = 1;
    for (; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
        if (std::strcmp(argv[i], "--link") == 0 && i + 1 < argc && !pty.AddLink(argv[++i])) {
            std::fprintf(stderr, "pty_peer: cannot link %s\n", argv[i]);
            return 2;
        }
    }
    if (i + 1 >= argc) {
        std::fprintf(stderr, "usage: pty_peer [--link PATH]... -- COMMAND [ARGS...]\n");
        return 2;
    }

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
        if (pty.Master() < 0) {  // hung up: only wait for the program
            poll(nullptr, 0, 20);
            continue;
        }
        pollfd p{pty.Master(), POLLIN, 0};
        if (poll(&p, 1, 20) <= 0 || !(p.revents & POLLIN)) {
            if (p.revents & POLLHUP) poll(nullptr, 0, 10);  // no program has the port open
            continue;
        }
        unsigned char buf[512];
        const ssize_t n = read(pty.Master(), buf, sizeof buf);
        for (ssize_t k = 0; k < n; ++k) {
            if (checking) {
                pending.push_back(buf[k]);
                if (pending.size() == 256) {
                    bool ok = true;
                    for (int v = 0; v < 256; ++v) ok = ok && pending[v] == v;
                    const std::uint8_t verdict = ok ? 'K' : 'X';
                    pty.WriteAll(&verdict, 1);
                    pending.clear();
                    checking = false;
                }
            } else if (buf[k] == '5') {
                const std::vector<std::uint8_t> five(500, 0x5A);
                pty.WriteAll(five.data(), five.size());
            } else if (buf[k] == 'A') {
                std::vector<std::uint8_t> all(256);
                for (int v = 0; v < 256; ++v) all[v] = static_cast<std::uint8_t>(v);
                pty.WriteAll(all.data(), all.size());
            } else if (buf[k] == 'R') {
                checking = true;
            } else if (buf[k] == 'H') {
                pty.HangUp();
                break;
            }
        }
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}
