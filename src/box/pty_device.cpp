#include "box/pty_device.h"

#ifdef __linux__
#include <sys/inotify.h>
#endif
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
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
#ifdef __linux__
    watch_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (watch_ >= 0 && (watched_ = inotify_add_watch(watch_, slavePath_.c_str(), IN_OPEN | IN_CLOSE)) < 0) {
        close(watch_);
        watch_ = -1;
    }
#endif
}

PtyDevice::~PtyDevice() {
    RemoveLinks();
    if (watch_ >= 0) close(watch_);
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

bool PtyDevice::WriteAll(const std::uint8_t* bytes, std::size_t count) {
    std::size_t done = 0;
    while (done < count) {
        const ssize_t r = write(master_, bytes + done, count - done);
        if (r > 0) {
            done += static_cast<std::size_t>(r);
        } else if (r < 0 && (errno == EAGAIN || errno == EINTR)) {
            pollfd p{master_, POLLOUT, 0};
            poll(&p, 1, 100);
        } else {
            return false;
        }
    }
    return true;
}

bool PtyDevice::SlaveIsOpen() const {
    pollfd p{master_, 0, 0};
    return poll(&p, 1, 0) >= 0 && !(p.revents & POLLHUP);
}

std::optional<PtyDevice::SlaveEvent> PtyDevice::NextSlaveEvent() {
    if (events_.empty() && watch_ >= 0) {
        ReadWatch();
        if (events_.empty()) return std::nullopt;
    }
    if (!events_.empty()) {
        const SlaveEvent next = events_.front();
        events_.pop_front();
        return next;
    }
    const bool open = SlaveIsOpen();
    if (open == lastOpen_) return std::nullopt;
    lastOpen_ = open;
    return open ? SlaveEvent::Opened : SlaveEvent::Closed;
}

void PtyDevice::ReadWatch() {
#ifdef __linux__
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        const ssize_t n = read(watch_, buffer, sizeof buffer);
        if (n <= 0) return;
        for (char* p = buffer; p < buffer + n;) {
            const auto* e = reinterpret_cast<const inotify_event*>(p);
            p += sizeof(inotify_event) + e->len;
            if (e->wd != watched_) continue;  // an earlier watch's
            if ((e->mask & IN_OPEN) && openCount_++ == 0) events_.push_back(SlaveEvent::Opened);
            if ((e->mask & IN_CLOSE) && openCount_ > 0 && --openCount_ == 0) events_.push_back(SlaveEvent::Closed);
        }
    }
#endif
}

void PtyDevice::AfterLastClose() {
#ifdef __linux__
    // The slave is opened here to flush it, unwatched: our open is no program's.
    // Where no watch tells opens apart, it is left as it is.
    if (watch_ < 0) return;
    ReadWatch();
    inotify_rm_watch(watch_, watched_);
    const int slave = open(slavePath_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (slave >= 0) {
        tcflush(slave, TCIFLUSH);
        close(slave);
    }
    watched_ = inotify_add_watch(watch_, slavePath_.c_str(), IN_OPEN | IN_CLOSE);
    ReadWatch();
    // A program that opened or closed the slave while it was unwatched is told by the
    // master's hangup, which holds now that ours is closed.
    const bool othersOpen = SlaveIsOpen();
    if (othersOpen != (openCount_ > 0)) {
        openCount_ = othersOpen ? 1 : 0;
        events_.push_back(othersOpen ? SlaveEvent::Opened : SlaveEvent::Closed);
    }
    if (watched_ < 0) {
        close(watch_);
        watch_ = -1;
        lastOpen_ = othersOpen;
    }
#endif
}

void PtyDevice::HangUp() {
    if (master_ >= 0) ::close(master_);
    master_ = -1;
}
