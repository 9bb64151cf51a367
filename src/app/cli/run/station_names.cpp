#include "app/cli/run/station_names.h"

#include "app/cli/image/image_replace.h"
#include "app/cli/machine/clock.h"
#include "app/cli/machine/port_names.h"
#include "app/cli/run/image_checks.h"

namespace {

// Free when no box runs under it, nothing of an image stands under it, and its lock
// is not held: then the lock is taken. The names in use are passed by at a look, and
// a name that looks free is looked at again under its lock.
bool Free(const std::string& name, const std::string& port, const std::set<std::string>& taken, ImageLock* lock) {
    if (taken.count(name)) return false;
    const ImageNames names = NamesOf(name);
    if (AnythingUnder(names, SystemDisk())) return false;
    LockHolder holder;
    int error = 0;
    const LockTaken took = ImageLock::Take(names.lock, LockUse::Alone, "downloads it on " + port, lock, &holder, &error);
    if (took == LockTaken::Held) return false;
    if (!AnythingUnder(names, SystemDisk())) return true;
    lock->Release();
    return false;
}

}  // namespace

bool NamesEachBox(const std::string& pattern) {
    return pattern.find(NumberPlaceholder) != std::string::npos || pattern.find(TimePlaceholder) != std::string::npos;
}

std::string NextImageName(const std::string& pattern, const std::string& port, const std::set<std::string>& taken,
                          ImageLock* lock) {
    std::string name = WithPlaceholder(WithPort(pattern, port), TimePlaceholder, TimeOfDay("%Y%m%d-%H%M%S", false));
    AddDatExtension(&name);
    if (name.find(NumberPlaceholder) == std::string::npos) return Free(name, port, taken, lock) ? name : std::string();
    for (int n = 1;; ++n) {
        const std::string numbered = WithPlaceholder(name, NumberPlaceholder, std::to_string(n));
        if (Free(numbered, port, taken, lock)) return numbered;
    }
}

std::vector<std::string> RemoveFailedBox(const std::string& image) {
    const ImageNames names = NamesOf(image);
    ImageLock lock;
    LockHolder holder;
    int error = 0;
    if (ImageLock::Take(names.lock, LockUse::Alone, "removes what a failed box left", &lock, &holder, &error) ==
        LockTaken::Held)
        return {};
    std::string why;
    return RemoveEarlierAttempt(names, SystemDisk(), &why);
}
