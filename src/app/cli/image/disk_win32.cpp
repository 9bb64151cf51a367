// The file operations on Windows: a move replaces with write-through (the new name
// is on the disk when it returns), a flush is FlushFileBuffers. Errors are given as
// the C library's numbers, so that they are said as elsewhere.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cerrno>

#include "app/cli/image/disk.h"

namespace {

int ErrnoOf(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH: return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT: return EACCES;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: return EBUSY;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return EEXIST;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return ENOSPC;
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_BUFFER_OVERFLOW: return ENAMETOOLONG;
    case ERROR_INVALID_NAME: return EINVAL;
    case ERROR_DIRECTORY: return ENOTDIR;
    default: return EIO;
    }
}

int Last(bool ok) { return ok ? 0 : ErrnoOf(GetLastError()); }

constexpr DWORD ShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

int WriteAll(HANDLE file, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        DWORD wrote = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(text.size() - done, 1u << 20));
        if (!::WriteFile(file, text.data() + done, chunk, &wrote, nullptr)) return ErrnoOf(GetLastError());
        if (wrote == 0) return EIO;
        done += wrote;
    }
    return 0;
}

class WindowsNewFile final : public NewFile {
public:
    explicit WindowsNewFile(HANDLE file) : file_(file) {}
    ~WindowsNewFile() override {
        if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
    }
    int Write(const void* bytes, std::size_t size) override {
        return WriteAll(file_, std::string(static_cast<const char*>(bytes), size));
    }
    int Sync() override { return Last(FlushFileBuffers(file_)); }
    int Close() override {
        const int error = Last(CloseHandle(file_));
        file_ = INVALID_HANDLE_VALUE;
        return error;
    }

private:
    HANDLE file_;
};

class WindowsDisk final : public Disk {
public:
    bool Exists(const std::string& path) override { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }
    bool IsFolder(const std::string& path) override {
        const DWORD attributes = GetFileAttributesA(path.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
    }
    bool IsLink(const std::string& path) override {
        const DWORD attributes = GetFileAttributesA(path.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
    }
    // A move replaces the name itself: a link that stands there is replaced, never followed.
    int Rename(const std::string& from, const std::string& to) override {
        return Last(MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH));
    }
    int Remove(const std::string& path) override { return Last(DeleteFileA(path.c_str())); }
    int SyncFile(const std::string& path) override {
        const HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, ShareAll, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        if (file == INVALID_HANDLE_VALUE) return ErrnoOf(GetLastError());
        const int error = Last(FlushFileBuffers(file));
        CloseHandle(file);
        return error;
    }
    // A folder's entries cannot be flushed on their own here: each move is written
    // through as it is made.
    int SyncFolder(const std::string&) override { return 0; }
    int WriteFile(const std::string& path, const std::string& text) override { return WriteNewFile(path, text); }
};

}  // namespace

int CreateNewFile(const std::string& path, std::unique_ptr<NewFile>* file) {
    // CREATE_NEW fails on anything under the name, a link included.
    const HANDLE handle =
        CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return ErrnoOf(GetLastError());
    *file = std::make_unique<WindowsNewFile>(handle);
    return 0;
}

Disk& SystemDisk() {
    static WindowsDisk disk;
    return disk;
}

int FolderTakesFiles(const std::string& folder) {
    const DWORD attributes = GetFileAttributesA(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return ErrnoOf(GetLastError());
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return ENOTDIR;
    // Whether a file can be made there is told by making one (gone when closed), of a
    // name no other thread or process makes at the same time.
    static std::atomic<unsigned> probes{0};
    const std::string probe = folder + "\\.kestrivane-probe-" + std::to_string(GetCurrentProcessId()) + "-" +
                              std::to_string(GetCurrentThreadId()) + "-" + std::to_string(probes++);
    const HANDLE file = CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE) return ErrnoOf(GetLastError());
    CloseHandle(file);
    return 0;
}

long LongestName(const std::string&) { return 255; }

long LongestPath() { return MAX_PATH - 1; }

std::size_t FullPathLength(const std::string& path) {
    char full[4];
    const DWORD needed = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
    return needed > 0 ? needed - 1 : path.size();  // without its terminating zero
}

int AppendToFile(const std::string& path, const std::string& text) {
    const HANDLE file = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return ErrnoOf(GetLastError());
    DWORD wrote = 0;
    int error = 0;
    if (!text.empty() && !::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &wrote, nullptr))
        error = ErrnoOf(GetLastError());
    else if (wrote != text.size())
        error = ENOSPC;
    CloseHandle(file);
    return error;
}

int MakeTemporaryFolder(const std::string& name, std::string* folder) {
    char temporary[MAX_PATH + 1];
    const DWORD length = GetTempPathA(sizeof temporary, temporary);
    if (length == 0 || length > MAX_PATH) return ENOENT;
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        const std::string path = std::string(temporary) + name + "-" + std::to_string(GetCurrentProcessId()) + "-" +
                                 std::to_string(GetTickCount() + attempt);
        if (CreateDirectoryA(path.c_str(), nullptr)) {
            *folder = path;
            return 0;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS) return ErrnoOf(GetLastError());
    }
    return EEXIST;
}
