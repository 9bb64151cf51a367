#include "app/cli/image/image_replace.h"

#include <cstring>

#include "core/section_kind.h"
#include "stored/index_file.h"

namespace {

// Where an old file waits while the new image moves in, and where the new index file
// is written before it takes its name.
constexpr const char* AsideSuffix = ".kestrivane-old";
constexpr const char* NewIndexSuffix = ".kestrivane-new";

struct Move {
    std::string from, to;
};

std::string Failed(const std::string& what, int error) { return what + ": " + std::strerror(error); }

// The moves of a placement, in order, undone in reverse when one fails.
class Moves {
public:
    explicit Moves(Disk& disk) : disk_(disk) {}

    int Make(const Move& m) {
        const int error = disk_.Rename(m.from, m.to);
        if (!error) done_.push_back(m);
        return error;
    }
    // Every move made, taken back; what could not be, in words ("" when all were).
    std::string Undo() {
        std::string failed;
        for (auto m = done_.rbegin(); m != done_.rend(); ++m)
            if (const int error = disk_.Rename(m->to, m->from))
                failed += "; " + Failed("could not move " + m->to + " back to " + m->from, error);
        done_.clear();
        return failed;
    }

private:
    Disk& disk_;
    std::vector<Move> done_;
};

}  // namespace

bool HasThreeLetterExtension(const std::string& image) {
    const auto slash = image.find_last_of('/');
    const auto dot = image.rfind('.');
    return dot != std::string::npos && (slash == std::string::npos || dot > slash) && image.size() - dot == 4;
}

std::string IncompleteImageName(const std::string& image) {
    if (!HasThreeLetterExtension(image)) return image + ".incomplete.dat";
    const auto dot = image.rfind('.');
    return image.substr(0, dot) + ".incomplete" + image.substr(dot);
}

std::vector<std::string> ImageFilesOnDisk(const std::string& image, Disk& disk) {
    std::vector<std::string> files;
    if (disk.Exists(image)) files.push_back(image);
    for (SectionKind kind : AllSections)
        if (disk.Exists(SectionFilePath(image, kind))) files.push_back(SectionFilePath(image, kind));
    return files;
}

std::vector<std::string> RemoveImageFiles(const std::string& image, Disk& disk, std::string* why) {
    std::vector<std::string> removed;
    for (const std::string& path : ImageFilesOnDisk(image, disk)) {
        if (const int error = disk.Remove(path)) {
            *why = Failed("cannot remove " + path, error);
            break;
        }
        removed.push_back(path);
    }
    return removed;
}

Placement PutImageInPlace(const std::string& incomplete, const std::string& image, Disk& disk) {
    Placement result;
    // The old image: every file of it, section files the new image lacks included.
    const std::vector<std::string> old = ImageFilesOnDisk(image, disk);
    for (const std::string& path : old) {
        if (disk.IsFolder(path)) {
            result.why = path + " is a folder, not a file of an image: the new image cannot take its name";
            return result;
        }
        if (disk.Exists(path + AsideSuffix)) {
            result.why = path + AsideSuffix + " is in the way (left by a replace that was cut short?): move it away";
            return result;
        }
    }
    // The new image, flushed to the disk before it takes a name: its section files,
    // and its index file written under a temporary name.
    std::vector<Move> moveIn;
    for (SectionKind kind : AllSections) {
        const std::string from = SectionFilePath(incomplete, kind);
        if (!disk.Exists(from)) continue;
        if (const int error = disk.SyncFile(from)) {
            result.why = Failed("cannot flush " + from + " to the disk", error);
            return result;
        }
        moveIn.push_back({from, SectionFilePath(image, kind)});
    }
    const std::string newIndex = image + NewIndexSuffix;
    if (const int error = disk.WriteFile(newIndex, IndexFileText(image))) {
        disk.Remove(newIndex);
        result.why = Failed("cannot write the index file " + newIndex, error);
        return result;
    }
    moveIn.push_back({newIndex, image});

    Moves moves(disk);
    std::vector<Move> steps;
    for (const std::string& path : old) steps.push_back({path, path + AsideSuffix});
    steps.insert(steps.end(), moveIn.begin(), moveIn.end());
    const std::string folder = FolderOf(image);
    int error = 0;
    for (const Move& step : steps) {
        if ((error = moves.Make(step)) != 0) {
            result.why = Failed("cannot move " + step.from + " to " + step.to, error);
            break;
        }
    }
    if (!error && (error = disk.SyncFolder(folder)) != 0) result.why = Failed("cannot flush the folder " + folder, error);
    if (error) {
        result.why += moves.Undo();
        disk.Remove(newIndex);
        disk.SyncFolder(folder);
        return result;
    }
    // The new image stands; the old one goes, and the incomplete index with it.
    result.placed = true;
    for (const std::string& path : old)
        if (const int e = disk.Remove(path + AsideSuffix))
            result.warning += (result.warning.empty() ? "" : "; ") + Failed("cannot remove " + path + AsideSuffix, e);
    disk.Remove(incomplete);
    disk.SyncFolder(folder);
    return result;
}
