// A download comes down under names that say it is incomplete (box.incomplete.dat,
// box.incomplete.ur1 ..) and takes its own name only once it is whole. Putting it in
// place is all or nothing, and survives a crash at any instant: a record of the move
// is written and flushed first, the new files are flushed, then the old image's
// section files are moved aside, the new ones in, the index written, the folder
// flushed, and only then are the old files and the record removed. Whatever command
// meets the record next finishes the move (forward when the new image is whole) or
// takes it back, and says so.
#pragma once

#include <string>
#include <vector>

#include "app/cli/image/disk.h"
#include "app/cli/image/image_names.h"

struct Placement {
    bool placed = false;
    std::string why;      // when not placed: what failed, with the system's reason
    std::string warning;  // when placed: an old file that could not be removed afterwards
};

// Puts the image that came down under the incomplete names in place. When it fails,
// the old image stands whole under its names and the new one, whole, waits under its
// incomplete names with its record.
Placement PutImageInPlace(const ImageNames& names, Disk& disk);

// What an earlier run left of a move, and what became of it.
enum class EarlierMove {
    None,        // no record: no move was under way
    Finished,    // it was cut short, and is finished: the new image stands
    TakenBack,   // it was cut short before the new image was whole: taken back
    Placed,      // a whole image waited where nothing stood: it stands now
    Waits,       // a whole image waits under the incomplete names; another stands under the name
    Failed,      // it could not be finished nor taken back
    Unreadable,  // its record is cut short or not this image's: nothing was touched
};

struct Settlement {
    EarlierMove what = EarlierMove::None;
    std::string said;  // one line: what was (or, on a dry run, would be) done, and where each image is
    bool nameWhole = true;  // before it was settled, the name held one image (or nothing), whole
};

// Finishes or takes back what an earlier run left of a move of this image. A dry run
// (inspect) changes nothing and says what the next command will do.
Settlement SettleEarlierMove(const ImageNames& names, Disk& disk, bool dryRun = false);

// Removes the files of an earlier attempt under the incomplete names (that no record
// holds to be whole). The paths removed; on a failure, the reason in `why`.
std::vector<std::string> RemoveEarlierAttempt(const ImageNames& names, Disk& disk, std::string* why);

// Those of `files` that stand on the disk.
std::vector<std::string> FilesOnDisk(const std::vector<std::string>& files, Disk& disk);

// Whether anything stands under any of the image's names: its own, the incomplete
// ones, its record, its new index, or a file moved aside.
bool AnythingUnder(const ImageNames& names, Disk& disk);

// The images in `folder` that have a move record beside them.
std::vector<std::string> ImagesWithMoveRecords(const std::string& folder);
