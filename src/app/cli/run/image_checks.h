// An image's names checked before the box is touched, and what an earlier run left
// under them dealt with first: a move cut short is finished or taken back, a whole
// image that waits is put in place where nothing stands, the remains of an earlier
// attempt go. Each returns -1 to go on, or the exit status (after saying why).
#pragma once

#include <string>

#include "app/cli/image/image_names.h"
#include "app/cli/terminal/say.h"

// A download's name: a file's name without control bytes, with a three-letter
// extension (.dat added to a name without one), in a folder that is there and takes
// new files; every name the download makes within the file system's limits and
// none of them a folder; then what an earlier run left under them, settled, and
// files an earlier replace moved aside named. Fills `names`.
int PrepareDownloadName(std::string* image, ImageNames* names, Voice& voice);

// Before an image is read (upload, verify): a move of it that was cut short,
// finished or taken back.
int SettleBeforeReading(const std::string& path, Voice& voice);

// Whether an image stands under the names (its index or a section file).
bool ImageExists(const ImageNames& names);

// What an earlier attempt left under the incomplete names goes, and is said.
int ClearEarlierAttempt(const ImageNames& names, Voice& voice);

// The name with .dat added when it has no extension.
void AddDatExtension(std::string* image);
