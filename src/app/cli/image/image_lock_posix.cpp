// The lock as a flock on its file: one per open file, so that two threads of one
// program exclude each other as two programs do.
#include "app/cli/image/image_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace {

constexpr int Attempts = 100;  // a holder that removes the file as we open it makes us start again

bool SameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

std::string Said(int fd) {
    char text[512];
    const ssize_t n = pread(fd, text, sizeof text - 1, 0);
    std::string said(text, n > 0 ? static_cast<std::size_t>(n) : 0);
    while (!said.empty() && (said.back() == '\n' || said.back() == '\0')) said.pop_back();
    return said;
}

int Open(const std::string& path, LockUse use) {
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644);
    // A reader that may not write in the folder takes a lock that stands there, if any.
    if (fd < 0 && use == LockUse::Shared && (errno == EACCES || errno == EROFS))
        return open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    return fd;
}

}  // namespace

LockTaken ImageLock::Take(const std::string& path, LockUse use, const std::string& what, ImageLock* lock,
                          LockHolder* holder, int* error) {
    for (int attempt = 0; attempt < Attempts; ++attempt) {
        const int fd = Open(path, use);
        if (fd < 0) {
            *error = errno;
            return LockTaken::Failed;
        }
        struct stat opened, named;
        if (fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
            *error = EINVAL;  // a FIFO or a device under the lock's name
            close(fd);
            return LockTaken::Failed;
        }
        if (flock(fd, (use == LockUse::Alone ? LOCK_EX : LOCK_SH) | LOCK_NB) != 0) {
            *error = errno;
            if (*error != EWOULDBLOCK) {
                close(fd);
                return LockTaken::Failed;
            }
            // Held alone, or shared by readers while we wanted it alone.
            holder->alone = use == LockUse::Shared || flock(fd, LOCK_SH | LOCK_NB) != 0;
            holder->said = holder->alone ? Said(fd) : std::string();
            close(fd);
            return LockTaken::Held;
        }
        // The file under the name still, not one its last holder has just removed.
        if (lstat(path.c_str(), &named) != 0 || !SameFile(opened, named)) {
            close(fd);
            continue;
        }
        if (use == LockUse::Alone) {
            const std::string said = "kestrivane (pid " + std::to_string(getpid()) + ") " + what + "\n";
            if (ftruncate(fd, 0) != 0 || pwrite(fd, said.data(), said.size(), 0) < 0) {
                // What it says is a courtesy: the lock holds without it.
            }
        }
        lock->Release();
        lock->handle_ = fd;
        lock->path_ = path;
        lock->use_ = use;
        return LockTaken::Taken;
    }
    *error = EAGAIN;
    return LockTaken::Failed;
}

void ImageLock::Release() {
    if (handle_ == NoHandle) return;
    const int fd = static_cast<int>(handle_);
    handle_ = NoHandle;
    // The last holder removes the file, while it still holds it alone.
    struct stat opened, named;
    if ((use_ == LockUse::Alone || flock(fd, LOCK_EX | LOCK_NB) == 0) && fstat(fd, &opened) == 0 &&
        lstat(path_.c_str(), &named) == 0 && SameFile(opened, named))
        unlink(path_.c_str());
    close(fd);
}
