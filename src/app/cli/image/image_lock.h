// One writer per image, across threads and processes: a lock on the image's name,
// held on a file beside it (box.kestrivane-lock, for box.dat and its section files
// box.ur1 ..). What writes or moves an image's files (a download, the finishing of a
// move) holds it alone; what reads an image (an upload, verify, compare, inspect)
// shares it. Nothing waits for it: a name held the other way is said at once. The
// file goes when its last holder lets go; one a stopped program left is taken over.
#pragma once

#include <cstdint>
#include <string>

enum class LockUse { Alone, Shared };

enum class LockTaken {
    Taken,
    Held,    // held the other way: `LockHolder` says by whom, as far as it is known
    Failed,  // the lock's file cannot be made or opened: the system's error number
};

// Who holds a name the other way.
struct LockHolder {
    bool alone = false;  // one command holds it alone (a download); else commands that read it
    std::string said;    // what the one holding it alone wrote: "kestrivane (pid 4711) downloads it on /dev/ttyUSB0"
};

class ImageLock {
public:
    ImageLock() = default;
    ImageLock(ImageLock&& other) noexcept;
    ImageLock& operator=(ImageLock&& other) noexcept;
    ImageLock(const ImageLock&) = delete;
    ImageLock& operator=(const ImageLock&) = delete;
    ~ImageLock() { Release(); }

    bool Held() const { return handle_ != NoHandle; }
    void Release();

    // Takes the lock on `path` for `use`, without waiting. One taken alone says
    // `what` for whoever meets it held ("downloads it on /dev/ttyUSB0"). On Failed,
    // `error` is the system's error number (ELOOP: a link stands under the name).
    static LockTaken Take(const std::string& path, LockUse use, const std::string& what, ImageLock* lock,
                          LockHolder* holder, int* error);

private:
    static constexpr std::intptr_t NoHandle = -1;
    std::intptr_t handle_ = NoHandle;
    std::string path_;
    LockUse use_ = LockUse::Shared;
};
