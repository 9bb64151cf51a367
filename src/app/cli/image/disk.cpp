#include "app/cli/image/disk.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "core/bounded_file.h"

namespace {

int Errno(bool ok) { return ok ? 0 : errno; }

int Sync(const std::string& path, int flags) {
    const int fd = open(path.c_str(), flags | O_CLOEXEC);
    if (fd < 0) return errno;
    const int error = Errno(fsync(fd) == 0);
    close(fd);
    return error;
}

class PosixDisk final : public Disk {
public:
    bool Exists(const std::string& path) override {
        struct stat st;
        return lstat(path.c_str(), &st) == 0;
    }
    bool IsFolder(const std::string& path) override {
        struct stat st;
        return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    }
    int Rename(const std::string& from, const std::string& to) override {
        return Errno(std::rename(from.c_str(), to.c_str()) == 0);
    }
    int Remove(const std::string& path) override { return Errno(unlink(path.c_str()) == 0); }
    int SyncFile(const std::string& path) override { return Sync(path, O_RDONLY); }
    int SyncFolder(const std::string& folder) override { return Sync(folder, O_RDONLY | O_DIRECTORY); }
    int WriteFile(const std::string& path, const std::string& text) override {
        const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0) return errno;
        std::size_t done = 0;
        int error = 0;
        while (done < text.size() && !error) {
            const ssize_t n = write(fd, text.data() + done, text.size() - done);
            if (n > 0) done += static_cast<std::size_t>(n);
            else if (n == 0) error = EIO;
            else if (errno != EINTR) error = errno;
        }
        if (!error && fsync(fd) != 0) error = errno;
        if (close(fd) != 0 && !error) error = errno;
        return error;
    }
    int ReadFile(const std::string& path, std::string* bytes) override {
        std::string why;
        bytes->clear();
        const FileRead read = ReadBoundedFile(path, ImageFileLimit, bytes, &why);
        if (read == FileRead::Ok) return 0;
        return read == FileRead::Missing ? ENOENT : EINVAL;
    }
};

}  // namespace

std::string WithReason(const std::string& what, int error) { return what + ": " + std::strerror(error); }

Disk& SystemDisk() {
    static PosixDisk disk;
    return disk;
}
