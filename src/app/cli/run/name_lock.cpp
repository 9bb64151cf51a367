#include "app/cli/run/name_lock.h"

#include <cerrno>

#include "app/cli/image/disk.h"
#include "app/cli/image/image_names.h"
#include "app/cli/image/stored_file.h"
#include "app/cli/machine/serial_ports.h"
#include "app/cli/machine/system_ways.h"
#include "stored/urt_file_name.h"

std::string HeldName(const std::string& image, const std::string& lockPath, const LockHolder& holder) {
    const std::string name = Printable(image);
    const std::string others = ProgramsHolding(lockPath);
    if (holder.alone)
        return name + " is in use: " +
               (!holder.said.empty() ? Printable(holder.said)
                : others.empty()     ? std::string("another box of this command writes it")
                                     : others + " writes it") +
               "; try again once that has ended";
    return name + " is being read by " + (others.empty() ? std::string("another box of this command") : others) +
           " (an upload, verify, compare or inspect of it), and a download changes it only when nothing reads it: "
           "try again once that has ended";
}

int LockImageName(const std::string& path, LockUse use, const std::string& what, ImageLock* lock, Voice& voice) {
    const std::string lockPath = LockFileOf(path);
    LockHolder holder;
    int error = 0;
    switch (ImageLock::Take(lockPath, use, what, lock, &holder, &error)) {
    case LockTaken::Taken: return -1;
    case LockTaken::Held: return voice.Refuse(HeldName(path, lockPath, holder));
    case LockTaken::Failed: break;
    }
    if (error == ELOOP)
        return voice.Refuse("a link stands at " + Printable(lockPath) + ", the lock of " + Printable(path) +
                            "'s name, left by something else: the tool never writes through a link; remove it (" +
                            RemoveCommand({lockPath}) + ")");
    if (error == EINVAL)
        return voice.Refuse(Printable(lockPath) + ", the lock of " + Printable(path) +
                            "'s name, is not a regular file: remove it (" + RemoveCommand({lockPath}) + ")");
    if (use == LockUse::Shared) return -1;  // nothing this command does changes the image
    return voice.Refuse(WithReason("cannot lock the name " + Printable(path) + " (its lock file " + Printable(lockPath) + ")",
                                   error));
}

int LockForReading(const std::vector<std::string>& paths, std::vector<ImageLock>* locks, Voice& voice) {
    for (const std::string& path : paths) {
        if (IsUrtFileName(path)) continue;  // a URT file is never written by the tool
        locks->emplace_back();
        if (const int refused = LockImageName(path, LockUse::Shared, "", &locks->back(), voice); refused >= 0)
            return refused;
    }
    return -1;
}
