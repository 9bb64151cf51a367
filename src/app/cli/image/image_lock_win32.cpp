// The lock as a byte-range lock on its file, far beyond what the file holds, so that
// what its holder wrote there stays readable. One per handle: two threads of one
// program exclude each other as two programs do. The file is removed through its
// handle by the last holder; one who opened it meanwhile sees it going, and starts again.
#include <windows.h>

#include <cerrno>

#include "app/cli/image/image_lock.h"

namespace {

constexpr int Attempts = 100;    // 10 ms apart: a file that is being removed is gone by then
constexpr DWORD LockedAt = 1;    // the locked byte: at 4 GiB (the offset's high part)

HANDLE AsHandle(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

bool Lock(HANDLE file, LockUse use) {
    OVERLAPPED at{};
    at.OffsetHigh = LockedAt;
    const DWORD flags = LOCKFILE_FAIL_IMMEDIATELY | (use == LockUse::Alone ? LOCKFILE_EXCLUSIVE_LOCK : 0);
    return LockFileEx(file, flags, 0, 1, 0, &at) != 0;
}

void Unlock(HANDLE file) {
    OVERLAPPED at{};
    at.OffsetHigh = LockedAt;
    UnlockFileEx(file, 0, 1, 0, &at);
}

bool Going(HANDLE file) {
    FILE_STANDARD_INFO info{};
    return GetFileInformationByHandleEx(file, FileStandardInfo, &info, sizeof info) && info.DeletePending;
}

std::string Said(HANDLE file) {
    char text[512];
    DWORD n = 0;
    OVERLAPPED from{};
    if (!ReadFile(file, text, sizeof text - 1, &n, &from)) n = 0;
    std::string said(text, n);
    while (!said.empty() && (said.back() == '\n' || said.back() == '\r' || said.back() == '\0')) said.pop_back();
    return said;
}

int ErrnoOf(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT: return EACCES;
    case ERROR_CANT_RESOLVE_FILENAME: return ELOOP;
    default: return EIO;
    }
}

}  // namespace

LockTaken ImageLock::Take(const std::string& path, LockUse use, const std::string& what, ImageLock* lock,
                          LockHolder* holder, int* error) {
    for (int attempt = 0; attempt < Attempts; ++attempt) {
        const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            const DWORD why = GetLastError();
            if (why == ERROR_ACCESS_DENIED && attempt + 1 < Attempts) {  // its last holder removes it
                Sleep(10);
                continue;
            }
            *error = ErrnoOf(why);
            return LockTaken::Failed;
        }
        BY_HANDLE_FILE_INFORMATION info{};
        if (!GetFileInformationByHandle(file, &info) ||
            (info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY))) {
            *error = (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ? ELOOP : EINVAL;
            CloseHandle(file);
            return LockTaken::Failed;
        }
        if (!Lock(file, use)) {
            holder->alone = use == LockUse::Shared || !Lock(file, LockUse::Shared);
            holder->said = holder->alone ? Said(file) : std::string();
            CloseHandle(file);
            *error = EWOULDBLOCK;
            return LockTaken::Held;
        }
        if (Going(file)) {  // its last holder let go of it as we opened it
            Unlock(file);
            CloseHandle(file);
            Sleep(10);
            continue;
        }
        if (use == LockUse::Alone) {
            const std::string said = "kestrivane (pid " + std::to_string(GetCurrentProcessId()) + ") " + what + "\r\n";
            DWORD wrote = 0;
            OVERLAPPED from{};
            SetEndOfFile(file);  // the handle stands at 0: what an earlier holder wrote goes
            WriteFile(file, said.data(), static_cast<DWORD>(said.size()), &wrote, &from);
        }
        lock->Release();
        lock->handle_ = reinterpret_cast<std::intptr_t>(file);
        lock->path_ = path;
        lock->use_ = use;
        return LockTaken::Taken;
    }
    *error = EAGAIN;
    return LockTaken::Failed;
}

void ImageLock::Release() {
    if (handle_ == NoHandle) return;
    const HANDLE file = AsHandle(handle_);
    handle_ = NoHandle;
    if (use_ == LockUse::Shared) Unlock(file);
    // The last holder removes the file, while it holds it alone.
    if (use_ == LockUse::Alone || Lock(file, LockUse::Alone)) {
        FILE_DISPOSITION_INFO remove{};
        remove.DeleteFile = TRUE;
        SetFileInformationByHandle(file, FileDispositionInfo, &remove, sizeof remove);
    }
    CloseHandle(file);
}
