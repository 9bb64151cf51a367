// A download comes down under names that say it is incomplete (box.incomplete.dat,
// box.incomplete.ur1 ..) and takes its own name only once it is whole. Putting it in
// place is all or nothing: the old image's files are moved aside, the new ones moved
// in, and only then are the old ones removed; a step that fails undoes every move
// before it. What takes a final name has been flushed to the disk first, and the
// folder is flushed after the moves.
#pragma once

#include <string>
#include <vector>

#include "app/cli/image/disk.h"

// True when `image` ends in a three-letter extension, the three characters that its
// section files' suffixes (.ur1 .. .ur5) take the place of.
bool HasThreeLetterExtension(const std::string& image);

// The name the new image comes down under: box.dat gives box.incomplete.dat (whose
// section files are box.incomplete.ur1 ..).
std::string IncompleteImageName(const std::string& image);

// The files of an image that stand on the disk: its index file, then its section files.
std::vector<std::string> ImageFilesOnDisk(const std::string& image, Disk& disk);

// Removes the files of the image `image` (an earlier attempt's incomplete one). The
// paths removed; on a failure, the reason in `why` and the files after it stay.
std::vector<std::string> RemoveImageFiles(const std::string& image, Disk& disk, std::string* why);

struct Placement {
    bool placed = false;
    std::string why;      // when not placed: what failed, with the system's reason
    std::string warning;  // when placed: an old file that could not be removed afterwards
};

// Puts the image downloaded as `incomplete` in the place of `image`. When it fails,
// the old image is whole again under its name and the new one under its incomplete
// names.
Placement PutImageInPlace(const std::string& incomplete, const std::string& image, Disk& disk);
