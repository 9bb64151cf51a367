// The machine's disk, each call that changes it recorded, with a failure or a crash
// put where a test wants it.
#pragma once

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "app/cli/image/disk.h"

struct Crash {};

// The machine's disk, each call that changes it recorded; the rename numbered
// `failAt` (from 0) fails, and the program "crashes" (throws) as it enters the change
// numbered `crashAt`.
class RecordingDisk final : public Disk {
public:
    std::vector<std::string> calls;
    int failAt = -1;
    int crashAt = -1;
    int failSyncFolder = 0;  // the folder flush fails with this

    bool Exists(const std::string& path) override { return SystemDisk().Exists(path); }
    bool IsFolder(const std::string& path) override { return SystemDisk().IsFolder(path); }
    bool IsLink(const std::string& path) override { return SystemDisk().IsLink(path); }
    int ReadFile(const std::string& path, std::string* bytes, std::string* why, std::size_t limit) override {
        return SystemDisk().ReadFile(path, bytes, why, limit);
    }
    int Rename(const std::string& from, const std::string& to) override {
        Call("rename " + Name(from) + " " + Name(to));
        return renames_++ == failAt ? EPERM : SystemDisk().Rename(from, to);
    }
    int Remove(const std::string& path) override {
        Call("remove " + Name(path));
        return SystemDisk().Remove(path);
    }
    int SyncFile(const std::string& path) override {
        Call("sync " + Name(path));
        return SystemDisk().SyncFile(path);
    }
    int SyncFolder(const std::string& folder) override {
        Call("sync folder");
        return failSyncFolder ? failSyncFolder : SystemDisk().SyncFolder(folder);
    }
    int WriteFile(const std::string& path, const std::string& text) override {
        Call("write " + Name(path));
        return SystemDisk().WriteFile(path, text);
    }

private:
    void Call(const std::string& call) {
        if (static_cast<int>(calls.size()) == crashAt) throw Crash{};
        calls.push_back(call);
    }
    static std::string Name(const std::string& path) { return std::filesystem::path(path).filename().string(); }
    int renames_ = 0;
};
