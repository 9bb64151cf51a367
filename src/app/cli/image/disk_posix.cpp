#include "app/cli/image/disk.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <filesystem>


namespace {

int Errno(bool ok) { return ok ? 0 : errno; }

int Sync(const std::string& path, int flags) {
    const int fd = open(path.c_str(), flags | O_CLOEXEC);
    if (fd < 0) return errno;
    const int error = Errno(fsync(fd) == 0);
    close(fd);
    return error;
}

class PosixNewFile final : public NewFile {
public:
    explicit PosixNewFile(int fd) : fd_(fd) {}
    ~PosixNewFile() override {
        if (fd_ >= 0) close(fd_);
    }
    int Write(const void* bytes, std::size_t size) override {
        const char* at = static_cast<const char*>(bytes);
        std::size_t done = 0;
        while (done < size) {
            const ssize_t n = write(fd_, at + done, size - done);
            if (n > 0) done += static_cast<std::size_t>(n);
            else if (n == 0) return EIO;
            else if (errno != EINTR) return errno;
        }
        return 0;
    }
    int Sync() override { return Errno(fsync(fd_) == 0); }
    int Close() override {
        const int error = Errno(close(fd_) == 0);
        fd_ = -1;
        return error;
    }

private:
    int fd_;
};

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
    bool IsLink(const std::string& path) override {
        struct stat st;
        return lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
    }
    // A rename replaces the name itself: a link that stands there is replaced, never followed.
    int Rename(const std::string& from, const std::string& to) override {
        return Errno(std::rename(from.c_str(), to.c_str()) == 0);
    }
    int Remove(const std::string& path) override { return Errno(unlink(path.c_str()) == 0); }
    int SyncFile(const std::string& path) override { return Sync(path, O_RDONLY | O_NOFOLLOW); }
    int SyncFolder(const std::string& folder) override { return Sync(folder, O_RDONLY | O_DIRECTORY); }
    int WriteFile(const std::string& path, const std::string& text) override { return WriteNewFile(path, text); }
};

}  // namespace

int CreateNewFile(const std::string& path, std::unique_ptr<NewFile>* file) {
    // O_EXCL with O_CREAT fails on anything under the name, a link (even one that
    // points nowhere) included.
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) return errno;
    *file = std::make_unique<PosixNewFile>(fd);
    return 0;
}

Disk& SystemDisk() {
    static PosixDisk disk;
    return disk;
}

int FolderTakesFiles(const std::string& folder) {
    struct stat st;
    if (stat(folder.c_str(), &st) != 0) return errno;
    if (!S_ISDIR(st.st_mode)) return ENOTDIR;
    return Errno(access(folder.c_str(), W_OK | X_OK) == 0);
}

long LongestName(const std::string& folder) {
    const long most = pathconf(folder.c_str(), _PC_NAME_MAX);
    return most > 0 ? most : NAME_MAX;
}

long LongestPath() { return PATH_MAX - 1; }

std::size_t FullPathLength(const std::string& path) { return path.size(); }

int AppendToFile(const std::string& path, const std::string& text) {
    const int fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return errno;
    const ssize_t written = text.empty() ? 0 : write(fd, text.data(), text.size());  // one write
    const int error = errno;
    close(fd);
    if (written == static_cast<ssize_t>(text.size())) return 0;
    return written < 0 ? error : ENOSPC;
}

int MakeTemporaryFolder(const std::string& name, std::string* folder) {
    std::error_code ec;
    std::string path = (std::filesystem::temp_directory_path(ec) / (name + "-XXXXXX")).string();
    if (ec) return ec.value();
    if (!mkdtemp(path.data())) return errno;
    *folder = path;
    return 0;
}
