// The file operations that put a downloaded image in place, behind one interface so
// that their order (and a failure at any step) can be checked without a disk that
// fails. Each returns 0 or the system's error number.
#pragma once

#include <string>

class Disk {
public:
    virtual ~Disk() = default;
    // True when something (a file, a folder, a link) stands under `path`.
    virtual bool Exists(const std::string& path) = 0;
    // True when `path` is a folder (followed through links).
    virtual bool IsFolder(const std::string& path) = 0;
    virtual int Rename(const std::string& from, const std::string& to) = 0;
    virtual int Remove(const std::string& path) = 0;
    // Flushes a file's bytes to the disk.
    virtual int SyncFile(const std::string& path) = 0;
    // Flushes a folder's entries (names made, moved or removed) to the disk.
    virtual int SyncFolder(const std::string& folder) = 0;
    // Writes `text` as the new file `path` (replacing one of that name) and flushes it.
    virtual int WriteFile(const std::string& path, const std::string& text) = 0;
    // Reads a whole file (of an image's size at most).
    virtual int ReadFile(const std::string& path, std::string* bytes) = 0;
};

// The machine's own.
Disk& SystemDisk();

// "WHAT: the system's reason" for an error number.
std::string WithReason(const std::string& what, int error);
