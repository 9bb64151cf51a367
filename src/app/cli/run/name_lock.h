// An image's name locked for a command (see image/image_lock.h): taken before
// anything of the image is checked, held until the command ends. A name held the
// other way ends the command at once (status 2, before any port opens), saying who
// holds it.
#pragma once

#include <string>
#include <vector>

#include "app/cli/image/image_lock.h"
#include "app/cli/terminal/say.h"

// Why `image`'s name cannot be had now, and who holds it (its lock file `lockPath`).
std::string HeldName(const std::string& image, const std::string& lockPath, const LockHolder& holder);

// Takes the lock of the image that `path` is a file of (its index or a section
// file), for `use`, into `lock`; `what` says, to whoever meets it held alone, what
// this command does ("downloads it on /dev/ttyUSB0"). -1 to go on; else the status,
// said. A reader goes on without the lock where none can be made (a folder it may
// not write in, or none there); a link or another kind of file under the lock's name
// refuses every command.
int LockImageName(const std::string& path, LockUse use, const std::string& what, ImageLock* lock, Voice& voice);

// Every path's name shared, for a command that only reads (inspect, compare): -1 to
// go on, with `locks` held; else the status, said.
int LockForReading(const std::vector<std::string>& paths, std::vector<ImageLock>* locks, Voice& voice);
