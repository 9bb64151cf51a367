#include "app/cli/run/image_checks.h"

#include <cctype>
#include <cerrno>
#include <filesystem>

#include "app/cli/image/image_replace.h"
#include "app/cli/image/stored_file.h"
#include "app/cli/machine/system_ways.h"
#include "app/cli/terminal/say.h"

namespace {

bool HasControlBytes(const std::string& text) {
    for (unsigned char c : text)
        if (c < 0x20 || c == 0x7F) return true;
    return false;
}

std::string Listed(const std::vector<std::string>& paths) {
    std::string text;
    for (const std::string& path : paths) text += (text.empty() ? "" : ", ") + Printable(path);
    return text;
}

// Every name a download makes.
std::vector<std::string> NamesMade(const ImageNames& names) {
    std::vector<std::string> made = names.Files();
    for (const std::string& path : names.IncompleteFiles()) made.push_back(path);
    for (const std::string& path : names.sections) made.push_back(AsideName(path));
    made.push_back(names.record);
    made.push_back(names.newIndex);
    return made;
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

}  // namespace

void AddDatExtension(std::string* image) {
    const auto slash = image->find_last_of('/');
    if (image->find('.', slash == std::string::npos ? 0 : slash) == std::string::npos) *image += ".dat";
}

int PrepareDownloadName(std::string* image, ImageNames* names, Voice& voice) {
    const std::string given = *image;
    if (HasControlBytes(given))
        return voice.Refuse("the name " + Printable(given) + " holds a control character: give a name without one");
    if (!given.empty() && given.back() == '/')
        return voice.Refuse(given + " names a folder: give a file name, such as " + given + "box.dat");
    if (SystemDisk().IsFolder(given))
        return voice.Refuse(given + " is a folder: give a file name, such as " + given + "/box.dat");
    AddDatExtension(image);
    if (!HasThreeLetterExtension(*image))
        return voice.Refuse(*image + " does not end in a three-letter extension: its section files would be " +
                      SectionFilePath(*image, SectionKind::FlashDatabase) + " to " +
                      SectionFilePath(*image, SectionKind::ApplicationSoftware) +
                      ", which other names share; give a name such as " + *image + ".dat");
    *names = NamesOf(*image);
    std::string problem = LengthProblem(*names, true);
    if (problem.empty()) problem = FolderProblem(names->folder);
    if (problem.empty()) problem = LengthProblem(*names, false);
    if (!problem.empty()) return voice.Refuse(problem);
    std::vector<std::string> folders;
    for (const std::string& path : NamesMade(*names))
        if (SystemDisk().IsFolder(path)) folders.push_back(path);
    if (!folders.empty())
        return voice.Refuse("folders stand where the download makes files: " + Listed(folders) + "; move them away");

    const Settlement earlier = SettleEarlierMove(*names, SystemDisk());
    switch (earlier.what) {
    case EarlierMove::None: break;
    case EarlierMove::Waits: return RefuseWaiting(earlier, *names, voice);
    case EarlierMove::Failed:
    case EarlierMove::Unreadable: return voice.Refuse(earlier.said);
    default: voice.Say(earlier.said);
    }
    std::vector<std::string> aside;
    for (const std::string& path : names->sections)
        if (SystemDisk().Exists(AsideName(path))) aside.push_back(AsideName(path));
    if (!aside.empty())
        return voice.Refuse("files of an old image that a replace moved aside stand in the way: " + Listed(aside) +
                      "; move each back to its name (without .kestrivane-old), or away");
    return -1;
}

int SettleBeforeReading(const std::string& path, Voice& voice) {
    const auto normal = [](const std::string& p) { return std::filesystem::path(p).lexically_normal(); };
    for (const std::string& image : ImagesWithMoveRecords(FolderOf(path))) {
        const ImageNames names = NamesOf(image);
        bool ours = normal(image) == normal(path);
        for (const std::string& section : names.sections) ours = ours || normal(section) == normal(path);
        if (!ours) continue;
        const Settlement earlier = SettleEarlierMove(names, SystemDisk());
        if (earlier.what == EarlierMove::Failed || earlier.what == EarlierMove::Unreadable) return voice.Refuse(earlier.said);
        if (earlier.what != EarlierMove::None) voice.Say(earlier.said);
    }
    return -1;
}

bool ImageExists(const ImageNames& names) { return !FilesOnDisk(names.Files(), SystemDisk()).empty(); }

int ClearEarlierAttempt(const ImageNames& names, Voice& voice) {
    std::string why;
    const std::vector<std::string> removed = RemoveEarlierAttempt(names, SystemDisk(), &why);
    if (!removed.empty()) voice.Say("removed what an earlier attempt left: " + Listed(removed));
    return why.empty() ? -1 : voice.Refuse(why);
}
