// A download's name, checked before the port opens: a name the system and the tool
// take for an image of its own, in a folder that is there and takes new files; then,
// under the name's lock held alone, every name the download makes within the file
// system's limits, none of them a folder or a link, no other image whose section
// files these are, and what an earlier run left under them settled.
#pragma once

#include <string>

#include "app/cli/image/image_lock.h"
#include "app/cli/image/image_names.h"
#include "app/cli/terminal/say.h"

// Fills `names` (.dat added to a name without an extension) and takes the name's lock
// into `lock` unless it is held there already; `port` is said to whoever meets the
// lock. -1 to go on, or the exit status (after saying why).
int PrepareDownloadName(std::string* image, ImageNames* names, ImageLock* lock, const std::string& port, Voice& voice);
