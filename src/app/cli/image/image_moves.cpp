#include "app/cli/image/image_moves.h"

#include <cerrno>

#include "app/cli/image/sha256.h"
#include "stored/index_file.h"

namespace {

void Add(std::string& to, const std::string& what) { to += (to.empty() ? "" : "; ") + what; }

std::string Joined(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) text += (text.empty() ? "" : ", ") + name;
    return text;
}

// Whether `path` holds the recorded file, byte for byte.
bool Holds(Disk& disk, const std::string& path, const RecordedFile& f) {
    std::string bytes;
    return disk.ReadFile(path, &bytes) == 0 && bytes.size() == f.bytes && Sha256(bytes) == f.sha256;
}

bool HoldsText(Disk& disk, const std::string& path, const std::string& text) {
    std::string bytes;
    return disk.ReadFile(path, &bytes) == 0 && bytes == text;
}

// A rename that never replaces what stands under the new name.
int MoveTo(Disk& disk, const std::string& from, const std::string& to) {
    if (disk.Exists(to)) return EEXIST;
    return disk.Rename(from, to);
}

// Where the record and the disk disagree (see MoveState): "" when they agree. `placed`:
// every new file stands and the index is written; `newIndex`: the index is the new one.
std::string Disagreement(const ImageNames& names, const MoveRecord& record, const MoveState& s, Disk& disk,
                         bool placed, bool newIndex) {
    std::vector<std::string> unknown, nowhere;
    for (const std::string& path : names.Files()) {
        if (!disk.Exists(path)) continue;
        bool known = path == names.image && newIndex;
        for (std::size_t j = 0; j < record.old.size(); ++j) known = known || (record.old[j] == path && s.inPlace[j]);
        // A new file's name, once the new file has left its own: what stands there is
        // it (damaged or not), the record's to move back.
        for (const RecordedFile& f : record.moves) known = known || (f.to == path && !disk.Exists(f.from));
        if (!known) unknown.push_back(BaseName(path));
    }
    // While the move is under way each old file is aside or in place. (Before it began
    // the user may have removed them, as told to; once the new image is placed, the
    // move removes them.)
    for (std::size_t j = 0; j < record.old.size(); ++j)
        if (!s.untouched && !placed && !s.aside[j] && !s.inPlace[j]) nowhere.push_back(BaseName(record.old[j]));
    std::string said;
    if (!unknown.empty())
        said = Joined(unknown) + (unknown.size() == 1 ? " stands" : " stand") + " but the record does not list " +
               (unknown.size() == 1 ? "it" : "them");
    if (!nowhere.empty())
        said += (said.empty() ? "" : "; ") + std::string("the record lists ") + Joined(nowhere) + " of the old image, but " +
                (nowhere.size() == 1 ? "it is" : "they are") + " nowhere";
    return said;
}

}  // namespace

MoveState ReadMoveState(const ImageNames& names, const MoveRecord& record, Disk& disk) {
    MoveState s;
    s.newWhole = s.untouched = true;
    bool allTargets = true, anyTarget = false;
    for (const RecordedFile& f : record.moves) {
        NewFileAt at = NewFileAt::Lost;
        if (disk.Exists(f.from)) {
            if (Holds(disk, f.from, f)) at = NewFileAt::Source;
        } else if (Holds(disk, f.to, f)) {
            at = NewFileAt::Target;
        }
        s.moves.push_back(at);
        s.newWhole = s.newWhole && at != NewFileAt::Lost;
        s.untouched = s.untouched && at == NewFileAt::Source;
        allTargets = allTargets && at == NewFileAt::Target;
        anyTarget = anyTarget || at == NewFileAt::Target;
    }
    bool allOldInPlace = true, anyOldInPlace = false;
    for (const std::string& path : record.old) {
        // Taken by the new image: a section file moved in; the index once any was
        // (the old one went aside before them).
        bool byNew = path == names.image && anyTarget;
        for (std::size_t i = 0; i < record.moves.size(); ++i)
            byNew = byNew || (record.moves[i].to == path && s.moves[i] == NewFileAt::Target);
        const bool aside = disk.Exists(AsideName(path));
        const bool inPlace = !aside && !byNew && disk.Exists(path);
        s.aside.push_back(aside);
        s.inPlace.push_back(inPlace);
        s.untouched = s.untouched && !aside;
        allOldInPlace = allOldInPlace && inPlace;
        anyOldInPlace = anyOldInPlace || inPlace;
    }
    const bool newIndex = anyTarget && HoldsText(disk, names.image, IndexFileText(names.image));
    s.disagreement = Disagreement(names, record, s, disk, allTargets && newIndex, newIndex);
    bool anything = false;
    for (const std::string& path : names.Files()) anything = anything || disk.Exists(path);
    if (!anything)
        s.holds = NameHolds::Nothing;
    else if (s.untouched && allOldInPlace && !record.old.empty())
        s.holds = NameHolds::OldImage;
    else if (allTargets && !anyOldInPlace && newIndex)
        s.holds = NameHolds::NewImage;
    else
        s.holds = NameHolds::Mixed;
    return s;
}

MoveResult MoveForward(const ImageNames& names, const MoveRecord& record, Disk& disk) {
    MoveResult result;
    const MoveState state = ReadMoveState(names, record, disk);
    if (!state.newWhole) {
        result.ok = false;
        result.why = "the new image is not whole";
        return result;
    }
    // The old image's files aside, then the new ones in.
    std::vector<std::pair<std::string, std::string>> steps;
    for (std::size_t i = 0; i < record.old.size(); ++i)
        if (state.inPlace[i]) steps.emplace_back(record.old[i], AsideName(record.old[i]));
    for (std::size_t i = 0; i < record.moves.size(); ++i)
        if (state.moves[i] == NewFileAt::Source) steps.emplace_back(record.moves[i].from, record.moves[i].to);
    int error = 0;
    for (const auto& [from, to] : steps) {
        if ((error = MoveTo(disk, from, to)) != 0) {
            result.why = WithReason("cannot move " + from + " to " + to, error);
            break;
        }
    }
    // The index, written in full before it takes its name.
    const std::string text = IndexFileText(names.image);
    if (!error && !HoldsText(disk, names.image, text)) {
        // One an earlier run wrote and did not move goes first: the index is made new.
        if (disk.Exists(names.newIndex) && (error = disk.Remove(names.newIndex)) != 0)
            result.why = WithReason("cannot remove " + names.newIndex, error);
        else if ((error = disk.WriteFile(names.newIndex, text)) != 0)
            result.why = WithReason("cannot write the index file " + names.newIndex, error);
        else if ((error = MoveTo(disk, names.newIndex, names.image)) != 0)
            result.why = WithReason("cannot move " + names.newIndex + " to " + names.image, error);
    }
    if (!error && (error = disk.SyncFolder(names.folder)) != 0)
        result.why = WithReason("cannot flush the folder " + names.folder, error);
    if (error) {
        result.ok = false;
        const MoveResult back = MoveBack(names, record, disk, true);
        if (!back.ok) Add(result.why, back.why);
        return result;
    }
    // The new image stands: the old one goes, the incomplete index with it, the record last.
    for (const std::string& path : record.old)
        if (disk.Exists(AsideName(path)))
            if (const int e = disk.Remove(AsideName(path))) Add(result.warning, WithReason("cannot remove " + AsideName(path), e));
    for (const std::string& path : {names.incomplete, names.newIndex})
        if (disk.Exists(path))
            if (const int e = disk.Remove(path)) Add(result.warning, WithReason("cannot remove " + path, e));
    if (const int e = disk.Remove(names.record)) Add(result.warning, WithReason("cannot remove " + names.record, e));
    disk.SyncFolder(names.folder);
    return result;
}

MoveResult MoveBack(const ImageNames& names, const MoveRecord& record, Disk& disk, bool keepRecord) {
    MoveResult result;
    const MoveState state = ReadMoveState(names, record, disk);
    const auto oldLeft = [&](const std::string& path) {  // the old file under that name never left it
        for (std::size_t j = 0; j < record.old.size(); ++j)
            if (record.old[j] == path && !state.aside[j]) return true;
        return false;
    };
    std::vector<std::pair<std::string, std::string>> steps;
    for (std::size_t i = 0; i < record.moves.size(); ++i) {
        // Under the new name: the new file, damaged or not, unless the old one is there.
        const RecordedFile& f = record.moves[i];
        if (state.moves[i] == NewFileAt::Target ||
            (state.moves[i] == NewFileAt::Lost && !oldLeft(f.to) && !disk.Exists(f.from) && disk.Exists(f.to)))
            steps.emplace_back(f.to, f.from);
    }
    for (const auto& [from, to] : steps)
        if (const int e = MoveTo(disk, from, to)) Add(result.why, WithReason("cannot move " + from + " back to " + to, e));
    // The index the move wrote.
    if (!oldLeft(names.image) && HoldsText(disk, names.image, IndexFileText(names.image)))
        if (const int e = disk.Remove(names.image)) Add(result.why, WithReason("cannot remove " + names.image, e));
    for (std::size_t i = 0; i < record.old.size(); ++i)
        if (state.aside[i])
            if (const int e = MoveTo(disk, AsideName(record.old[i]), record.old[i]))
                Add(result.why, WithReason("cannot move " + AsideName(record.old[i]) + " back to " + record.old[i], e));
    if (disk.Exists(names.newIndex)) disk.Remove(names.newIndex);
    if (!keepRecord && result.why.empty())
        if (const int e = disk.Remove(names.record)) Add(result.why, WithReason("cannot remove " + names.record, e));
    disk.SyncFolder(names.folder);
    result.ok = result.why.empty();
    return result;
}
