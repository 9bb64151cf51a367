#include "box/pty_device.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

PtyDevice::PtyDevice() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0)
        throw std::runtime_error("cannot create a pseudo-terminal");
    slavePath_ = ptsname(master_);

    // Termios calls on the master act on the slave side (the line discipline a
    // program opening the slave meets); the master's own side starts raw.
    termios tio{};
    if (tcgetattr(master_, &tio) == 0) {
        cfmakeraw(&tio);
        tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
        tio.c_cflag |= CLOCAL | CREAD;
        tcsetattr(master_, TCSANOW, &tio);
    }
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
}

PtyDevice::~PtyDevice() {
    RemoveLinks();
    if (master_ >= 0) close(master_);
}

bool PtyDevice::AddLink(const std::string& path) {
    std::remove(path.c_str());
    if (symlink(slavePath_.c_str(), path.c_str()) != 0) return false;
    links_.push_back(path);
    return true;
}

void PtyDevice::RemoveLinks() {
    for (const auto& link : links_) std::remove(link.c_str());
    links_.clear();
}

bool PtyDevice::SlaveIsOpen() const {
    pollfd p{master_, 0, 0};
    return poll(&p, 1, 0) >= 0 && !(p.revents & POLLHUP);
}
