// The file operations that put a downloaded image in place, behind one interface so
// that their order (and a failure at any step) can be checked without a disk that
// fails. Each returns 0 or the system's error number.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "core/bounded_file.h"

class Disk {
public:
    virtual ~Disk() = default;
    // True when something (a file, a folder, a link) stands under `path`.
    virtual bool Exists(const std::string& path) = 0;
    // True when `path` is a folder (followed through links).
    virtual bool IsFolder(const std::string& path) = 0;
    // True when a link (a symbolic link, a junction) stands under `path` itself.
    virtual bool IsLink(const std::string& path) = 0;
    virtual int Rename(const std::string& from, const std::string& to) = 0;
    virtual int Remove(const std::string& path) = 0;
    // Flushes a file's bytes to the disk.
    virtual int SyncFile(const std::string& path) = 0;
    // Flushes a folder's entries (names made, moved or removed) to the disk.
    virtual int SyncFolder(const std::string& folder) = 0;
    // Writes `text` as the new file `path` and flushes it; EEXIST when anything
    // stands under the name (a link is never written through).
    virtual int WriteFile(const std::string& path, const std::string& text) = 0;
    // Reads a whole regular file of `limit` bytes at most; `why` says what is wrong
    // with one that cannot be read ("is a FIFO, not a regular file").
    virtual int ReadFile(const std::string& path, std::string* bytes, std::string* why = nullptr,
                         std::size_t limit = ImageFileLimit);
};

// A file made new for writing.
class NewFile {
public:
    virtual ~NewFile() = default;
    // Writes all `size` bytes: 0, or the system's error number.
    virtual int Write(const void* bytes, std::size_t size) = 0;
    // Flushes what was written to the disk.
    virtual int Sync() = 0;
    // Closes it: 0, or the system's error number.
    virtual int Close() = 0;
};

// Makes `path` a new, empty file for writing: never one that stands under the name
// and never through a link (EEXIST for anything there, a dangling link included).
int CreateNewFile(const std::string& path, std::unique_ptr<NewFile>* file);

// Writes `text` as the new file `path` and flushes it (CreateNewFile's rules).
int WriteNewFile(const std::string& path, const std::string& text);

// The machine's own.
Disk& SystemDisk();

// 0 when files can be made in `folder`, else why not: ENOENT (it does not exist),
// ENOTDIR (it is no folder) or the system's error number.
int FolderTakesFiles(const std::string& folder);

// The longest file name the file system under `folder` takes, and the longest path
// the system takes.
long LongestName(const std::string& folder);
long LongestPath();

// A path's length as the system counts it against LongestPath (on Windows the whole
// path, from the drive).
std::size_t FullPathLength(const std::string& path);

// Makes a new folder of its own, "NAME-" and a unique ending, in the system's
// folder for temporary files: 0 and its path in *folder, or the error number.
int MakeTemporaryFolder(const std::string& name, std::string* folder);

// Appends `text` to the file `path`, made when missing, in one write, so that the
// lines of several writers never interleave (appending nothing checks that it can).
int AppendToFile(const std::string& path, const std::string& text);

// "WHAT: the system's reason" for an error number.
std::string WithReason(const std::string& what, int error);
