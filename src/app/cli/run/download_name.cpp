#include "app/cli/run/download_name.h"

#include <cerrno>
#include <filesystem>

#include "app/cli/image/image_replace.h"
#include "app/cli/image/stored_file.h"
#include "app/cli/machine/system_ways.h"
#include "app/cli/run/image_checks.h"
#include "app/cli/run/name_lock.h"

namespace {

bool HasControlBytes(const std::string& text) {
    for (unsigned char c : text)
        if (c < 0x20 || c == 0x7F) return true;
    return false;
}

// The name as given: one the system takes for a file's.
std::string GivenNameProblem(const std::string& given) {
    if (given.empty()) return "an empty name: give the image a name, such as box.dat";
    if (HasControlBytes(given)) return "the name " + Printable(given) + " holds a control character: give a name without one";
    if (given.find_last_of(PathSeparators) == given.size() - 1)
        return given + " names a folder: give a file name, such as " + given + "box.dat";
    if (SystemDisk().IsFolder(given)) return given + " is a folder: give a file name, such as " + given + "/box.dat";
    if (const std::string refused = NameRefusedHere(given); !refused.empty())
        return "cannot download to " + given + ": " + refused + "; give another name";
    return {};
}

// The folder: there, a folder, and one that takes new files.
std::string FolderProblem(const std::string& folder) {
    const int error = FolderTakesFiles(folder);
    if (error == ENOENT) return "the folder " + folder + " does not exist";
    if (error == ENOTDIR) return folder + " is not a folder";
    return error ? WithReason("cannot make files in the folder " + folder, error) : std::string();
}

// A name within what the file system takes, in its length and its path's.
std::string LengthProblem(const ImageNames& names, bool pathsOnly) {
    const long nameMax = pathsOnly ? 0 : LongestName(names.folder);
    for (const std::string& path : NamesMade(names)) {
        if (FullPathLength(path) > static_cast<std::size_t>(LongestPath()))
            return "the path " + Printable(names.image) + " is too long: the download would make " + Printable(path) +
                   ", " + std::to_string(FullPathLength(path)) + " bytes, where the system takes " + std::to_string(LongestPath());
        if (!pathsOnly && BaseName(path).size() > static_cast<std::size_t>(nameMax))
            return "the name " + Printable(BaseName(names.image)) + " is too long: the download would make " +
                   Printable(BaseName(path)) + ", " + std::to_string(BaseName(path).size()) +
                   " bytes, where the file system takes " + std::to_string(nameMax) + "; give a shorter name";
    }
    return {};
}

// The other images whose section files these would be: an index beside them that
// lists them, or the record of a move of one.
std::vector<std::string> OtherImagesOf(const ImageNames& names) {
    std::vector<std::string> others;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(names.folder, error)) {
        std::string name = entry.path().filename().string();
        const std::string record = MoveRecordSuffix;
        const bool isRecord = name.size() > record.size() && name.compare(name.size() - record.size(), record.size(), record) == 0;
        if (isRecord) name.resize(name.size() - record.size());
        const std::string image = (names.folder == "." ? "" : names.folder + "/") + name;
        if (!OwnNameProblem(image).empty() || !OneImageFamily(image, names.image) || SameName(image, names.image)) continue;
        if (isRecord) {
            others.push_back(Printable(image) + " (a move of it was cut short: an upload or verify of it settles it)");
            continue;
        }
        const StoredFile index = AnalyseStoredFile(image);
        if (index.kind == StoredKind::Index && index.problems.empty()) others.push_back(Printable(image) + " (its index lists them)");
    }
    return others;
}

// A whole image waits under the incomplete names while another stands under the name.
int RefuseWaiting(const Settlement& waits, const ImageNames& names, Voice& voice) {
    voice.Say(waits.said);
    std::vector<std::string> drop = FilesOnDisk(names.IncompleteFiles(), SystemDisk());
    drop.push_back(names.record);
    voice.Say("to put it in the place of " + Printable(names.image) + ": " +
        RemoveCommand(FilesOnDisk(names.Files(), SystemDisk())) + "; the next download, upload or verify of " +
        Printable(names.image) + " puts it there first");
    return voice.Refuse("to keep " + Printable(names.image) + " as it is and drop the waiting image: " + RemoveCommand(drop));
}

// What an earlier run left under the names, settled; files a replace moved aside named.
int SettleEarlier(const ImageNames& names, Voice& voice) {
    const Settlement earlier = SettleEarlierMove(names, SystemDisk());
    switch (earlier.what) {
    case EarlierMove::None: break;
    case EarlierMove::Waits: return RefuseWaiting(earlier, names, voice);
    case EarlierMove::Failed:
    case EarlierMove::Unreadable: return voice.Refuse(earlier.said);
    default: voice.Say(earlier.said);
    }
    std::vector<std::string> aside;
    for (const std::string& path : names.Files())
        if (SystemDisk().Exists(AsideName(path))) aside.push_back(AsideName(path));
    if (!aside.empty())
        return voice.Refuse("files of an old image that a replace moved aside stand in the way: " + Listed(aside) +
                            "; move each back to its name (without .kestrivane-old), or away");
    return -1;
}

}  // namespace

int PrepareDownloadName(std::string* image, ImageNames* names, ImageLock* lock, const std::string& port, Voice& voice) {
    if (const std::string problem = GivenNameProblem(*image); !problem.empty()) return voice.Refuse(problem);
    AddDatExtension(image);
    if (!HasThreeLetterExtension(*image))
        return voice.Refuse(*image + " does not end in a three-letter extension: its section files would be " +
                            SectionFilePath(*image, SectionKind::FlashDatabase) + " to " +
                            SectionFilePath(*image, SectionKind::ApplicationSoftware) +
                            ", which other names share; give a name such as " + *image + ".dat");
    if (const std::string own = OwnNameProblem(*image); !own.empty()) {
        const std::string dat = image->substr(0, image->size() - 3) + "dat";
        return voice.Refuse("cannot download to " + Printable(*image) + ": " + own + "; give the image a name of its own" +
                            (SameName(dat, *image) ? std::string() : ", such as " + Printable(dat)));
    }
    *names = NamesOf(*image);
    std::string problem = LengthProblem(*names, true);
    if (problem.empty()) problem = FolderProblem(names->folder);
    if (problem.empty()) problem = LengthProblem(*names, false);
    if (!problem.empty()) return voice.Refuse(problem);
    // From here on no other command touches the name.
    if (!lock->Held())
        if (const int refused = LockImageName(*image, LockUse::Alone, "downloads it on " + port, lock, voice); refused >= 0)
            return refused;
    std::vector<std::string> folders;
    for (const std::string& path : NamesMade(*names))
        if (SystemDisk().IsFolder(path)) folders.push_back(path);
    if (!folders.empty())
        return voice.Refuse("folders stand where the download makes files: " + Listed(folders) + "; move them away");
    if (const int refused = RefuseLinks(*names, voice); refused >= 0) return refused;
    if (const std::vector<std::string> others = OtherImagesOf(*names); !others.empty())
        return voice.Refuse("the section files of " + Printable(*image) + " (" + Printable(names->sections[0]) + " .. " +
                            Printable(BaseName(names->sections[SectionCount - 1])) + ") are those of another image: " +
                            Listed(others) + "; give another name, or remove that image first");
    return SettleEarlier(*names, voice);
}
