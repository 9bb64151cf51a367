#include "app/cli/image/image_replace.h"

#include <filesystem>

#include "app/cli/image/image_moves.h"
#include "app/cli/image/move_record.h"
#include "app/cli/image/sha256.h"
#include "app/cli/image/stored_file.h"
#include "app/cli/machine/system_ways.h"

namespace {

// What the next command does with a move found cut short, and where the images are then.
Settlement Described(EarlierMove what, const ImageNames& names, bool oldImage, bool dryRun, bool nameWhole) {
    const std::string image = Printable(names.image), incomplete = Printable(names.incomplete);
    const std::string next = "the next download, upload or verify of " + image;
    Settlement s;
    s.what = what;
    s.nameWhole = nameWhole;
    switch (what) {
    case EarlierMove::Finished:
        s.said = dryRun && nameWhole
                     ? "a move was cut short as it ended: " + image + " holds the image that came down; " + next +
                           " removes what is left of the old one"
                 : dryRun ? "a move was cut short after it began: " + image + " holds parts of two images; " + next +
                                " finishes it: the image that came down (whole, under " + incomplete +
                                " and its section files until then) takes the name"
                        : "finished the move of an earlier download that was cut short: " + image +
                              " holds the image that download brought" +
                              (oldImage ? "; the image it replaced is gone" : "");
        break;
    case EarlierMove::Placed:
        s.said = dryRun ? "a whole image that an earlier download could not put in place waits under " + incomplete +
                              " and its section files; " + next + " puts it in place"
                        : "put in place the whole image that an earlier download left under " + incomplete + ": " +
                              image + " holds it now";
        break;
    case EarlierMove::TakenBack:
        s.said = std::string(dryRun ? "a move was cut short before the image that came down was whole; " + next +
                                          " takes it back: "
                                    : "took back the move of an earlier download that was cut short before the image "
                                      "that came down was whole: ") +
                 (oldImage ? image + " holds the image it held before" : "nothing stands under " + image) +
                 ", and what came down stays under " + incomplete + " (an earlier attempt's remains)";
        break;
    case EarlierMove::Waits:
        s.said = "a whole image that an earlier download could not put in place waits under " + incomplete +
                 " and its section files; " + image + " holds the image that stood before it" +
                 (dryRun ? " (the next download of it says how to keep one or the other)" : "");
        break;
    default: break;
    }
    return s;
}

// What the user can do with a record the tool does not trust: the two ways out.
std::string WaysOut(const ImageNames& names, Disk& disk) {
    std::vector<std::string> drop = FilesOnDisk(names.IncompleteFiles(), disk);
    drop.push_back(names.record);
    return "kestrivane inspect " + Printable(names.image) + " and " + Printable(names.incomplete) +
           " show what each holds; to keep what stands under " + Printable(names.image) + " and drop the rest: " +
           RemoveCommand(drop) + "; or move the files you want under " + Printable(names.image) +
           "'s names yourself, then remove the record";
}

}  // namespace

Placement PutImageInPlace(const ImageNames& names, Disk& disk) {
    Placement result;
    for (const std::string& path : names.Files()) {
        if (disk.IsFolder(path)) {
            result.why = path + " is a folder, not a file of an image: the new image cannot take its name";
            return result;
        }
    }
    for (const std::string& path : names.Files()) {
        if (disk.Exists(AsideName(path))) {
            result.why = AsideName(path) + " is in the way (left by a replace that was cut short?): move it away";
            return result;
        }
    }
    // The record: what stands under the names, and each new file with its digest.
    MoveRecord record;
    record.old = FilesOnDisk(names.Files(), disk);
    for (std::size_t i = 0; i < SectionCount; ++i) {
        const std::string& from = names.incompleteSections[i];
        if (!disk.Exists(from)) continue;
        std::string bytes;
        if (const int error = disk.ReadFile(from, &bytes)) {
            result.why = WithReason("cannot read " + from, error);
            return result;
        }
        record.moves.push_back({from, names.sections[i], bytes.size(), Sha256(bytes)});
    }
    // A record that could not be written whole stays as it is: read later, it either
    // holds the waiting image or, cut short, stops the next command before it touches
    // anything.
    if (const int error = disk.WriteFile(names.record, MoveRecordText(record))) {
        result.why = WithReason("cannot write the move record " + names.record, error);
        return result;
    }
    // The new files on the disk before any takes a name.
    for (const RecordedFile& f : record.moves) {
        if (const int error = disk.SyncFile(f.from)) {
            result.why = WithReason("cannot flush " + f.from + " to the disk", error);
            return result;
        }
    }
    if (const int error = disk.SyncFolder(names.folder)) {
        result.why = WithReason("cannot flush the folder " + names.folder, error);
        return result;
    }
    const MoveResult moved = MoveForward(names, record, disk);
    result.placed = moved.ok;
    result.why = moved.why;
    result.warning = moved.warning;
    return result;
}

Settlement SettleEarlierMove(const ImageNames& names, Disk& disk, bool dryRun) {
    Settlement s;
    MoveRecord record;
    std::string why;
    const RecordRead read = ReadMoveRecord(names, disk, &record, &why);
    if (read == RecordRead::Absent) return s;
    const MoveState state = read == RecordRead::Ok ? ReadMoveState(names, record, disk) : MoveState{};
    if (read == RecordRead::Ok && !state.disagreement.empty())
        why = "the move record " + names.record + " does not agree with the disk: " + state.disagreement;
    if (read == RecordRead::Unreadable || !state.disagreement.empty()) {
        s.what = EarlierMove::Unreadable;
        s.nameWhole = false;
        s.said = Printable(why) + "; nothing was moved: " + WaysOut(names, disk);
        return s;
    }
    const bool oldImage = !record.old.empty();
    s.nameWhole = state.holds != NameHolds::Mixed;
    if (!state.newWhole) {
        if (!dryRun) {
            const MoveResult back = MoveBack(names, record, disk, false);
            if (!back.ok) {
                s.what = EarlierMove::Failed;
                s.said = "cannot take back the move of an earlier download that was cut short: " + Printable(back.why);
                return s;
            }
        }
        return Described(EarlierMove::TakenBack, names, oldImage, dryRun, s.nameWhole);
    }
    if (state.untouched && state.holds == NameHolds::OldImage)
        return Described(EarlierMove::Waits, names, true, dryRun, s.nameWhole);
    const EarlierMove what = state.untouched ? EarlierMove::Placed : EarlierMove::Finished;
    if (dryRun) return Described(what, names, oldImage, true, s.nameWhole);
    const MoveResult forward = MoveForward(names, record, disk);
    if (!forward.ok) {
        s.what = EarlierMove::Failed;
        s.said = "cannot put in place the image an earlier download brought: " + Printable(forward.why) + "; " +
                 Printable(names.image) + " holds what stood before it, and that image waits whole under " +
                 Printable(names.incomplete) + " and its section files";
        return s;
    }
    s = Described(what, names, oldImage, false, s.nameWhole);
    if (!forward.warning.empty()) s.said += " (warning: " + Printable(forward.warning) + ")";
    return s;
}

std::vector<std::string> RemoveEarlierAttempt(const ImageNames& names, Disk& disk, std::string* why) {
    std::vector<std::string> files = names.IncompleteFiles();
    files.push_back(names.newIndex);
    std::vector<std::string> removed;
    for (const std::string& path : FilesOnDisk(files, disk)) {
        if (const int error = disk.Remove(path)) {
            *why = WithReason("cannot remove " + path, error);
            break;
        }
        removed.push_back(path);
    }
    return removed;
}

std::vector<std::string> FilesOnDisk(const std::vector<std::string>& files, Disk& disk) {
    std::vector<std::string> there;
    for (const std::string& path : files)
        if (disk.Exists(path)) there.push_back(path);
    return there;
}

bool AnythingUnder(const ImageNames& names, Disk& disk) {
    std::vector<std::string> all = names.Files();
    for (const std::string& path : names.IncompleteFiles()) all.push_back(path);
    for (const std::string& path : names.sections) all.push_back(AsideName(path));
    all.push_back(names.record);
    all.push_back(names.newIndex);
    return !FilesOnDisk(all, disk).empty();
}

std::vector<std::string> ImagesWithMoveRecords(const std::string& folder) {
    std::vector<std::string> images;
    const std::string suffix = MoveRecordSuffix;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        if (name.size() > suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
            images.push_back((folder == "." ? "" : folder == "/" ? "/" : folder + "/") +
                             name.substr(0, name.size() - suffix.size()));
    }
    return images;
}
