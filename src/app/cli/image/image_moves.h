// The moves that put a downloaded image in place, as steps that can be taken from
// wherever an earlier run stopped: forward (the old image's section files aside, the
// new ones in, the index written, the folder flushed, then the old files and the
// record removed) or back (every move taken back). Each step is read off the disk and
// the record, never off memory of an earlier run, so a run cut short at any instant
// is finished or undone by the next.
#pragma once

#include <string>
#include <vector>

#include "app/cli/image/disk.h"
#include "app/cli/image/image_names.h"
#include "app/cli/image/move_record.h"

enum class NewFileAt { Source, Target, Lost };  // Lost: nowhere whole

enum class NameHolds { Nothing, OldImage, NewImage, Mixed };

// Where the files of a recorded move stand.
struct MoveState {
    std::vector<NewFileAt> moves;  // by the record's moves
    std::vector<bool> aside;       // by the record's old files: waiting under their aside names,
    std::vector<bool> inPlace;     // or still under their own (not taken by a new file)
    bool newWhole = false;         // every file of the new image stands whole, moved or not
    bool untouched = false;        // nothing was moved yet
    NameHolds holds = NameHolds::Mixed;
    // Where the record and the disk disagree: a file under the image's names that it
    // does not account for, or an old file it lists that is nowhere ("" when they agree).
    std::string disagreement;
};

MoveState ReadMoveState(const ImageNames& names, const MoveRecord& record, Disk& disk);

struct MoveResult {
    bool ok = true;
    std::string why;      // when not ok: what failed, with the system's reason
    std::string warning;  // when ok: what could not be cleaned up afterwards
};

// Puts the new image in place. When a step fails, every move is taken back: the old
// image stands under its names again and the new one, whole, under its incomplete
// names, with its record.
MoveResult MoveForward(const ImageNames& names, const MoveRecord& record, Disk& disk);

// Takes every move back. Without `keepRecord` the record goes too (the new image is
// not whole: what came down is an earlier attempt's remains).
MoveResult MoveBack(const ImageNames& names, const MoveRecord& record, Disk& disk, bool keepRecord);
