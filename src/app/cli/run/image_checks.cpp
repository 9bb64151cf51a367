#include "app/cli/run/image_checks.h"

#include <cctype>
#include <filesystem>

#include "app/cli/image/image_replace.h"
#include "app/cli/image/stored_file.h"
#include "app/cli/machine/system_ways.h"
#include "app/cli/run/name_lock.h"
#include "stored/urt_file_name.h"

namespace {

std::filesystem::path Normal(const std::string& path) { return std::filesystem::path(path).lexically_normal(); }

}  // namespace

std::string Listed(const std::vector<std::string>& paths) {
    std::string text;
    for (const std::string& path : paths) text += (text.empty() ? "" : ", ") + Printable(path);
    return text;
}

std::vector<std::string> NamesMade(const ImageNames& names) {
    std::vector<std::string> made = names.Files();
    for (const std::string& path : names.IncompleteFiles()) made.push_back(path);
    for (const std::string& path : names.Files()) made.push_back(AsideName(path));
    made.push_back(names.record);
    made.push_back(names.newIndex);
    made.push_back(names.lock);
    return made;
}

int RefuseLinks(const ImageNames& names, Voice& voice) {
    std::vector<std::string> links;
    for (const std::string& path : NamesMade(names))
        if (SystemDisk().IsLink(path)) links.push_back(path);
    if (links.empty()) return -1;
    return voice.Refuse((links.size() == 1 ? "a link stands at " : "links stand at ") + Listed(links) + ", " +
                        (links.size() == 1 ? "a name" : "names") + " of the image " + Printable(names.image) +
                        " that something else made: the tool never writes through a link nor moves one in its "
                        "place; remove " + (links.size() == 1 ? "it" : "them") + " (" + RemoveCommand(links) + ")");
}

int SettleMove(const ImageNames& names, bool held, Voice& voice) {
    if (!SystemDisk().Exists(names.record)) return -1;
    ImageLock alone;
    if (!held)
        if (const int refused = LockImageName(names.image, LockUse::Alone, "finishes a move of it that was cut short",
                                              &alone, voice); refused >= 0)
            return refused;
    if (const int refused = RefuseLinks(names, voice); refused >= 0) return refused;
    const Settlement earlier = SettleEarlierMove(names, SystemDisk());
    if (earlier.what == EarlierMove::Failed || earlier.what == EarlierMove::Unreadable) return voice.Refuse(earlier.said);
    if (earlier.what != EarlierMove::None) voice.Say(earlier.said);
    return -1;
}

std::vector<std::string> ImagesWithRecords(const std::string& folder, std::vector<std::string>* untrusted) {
    std::vector<std::string> trusted;
    for (const std::string& image : ImagesWithMoveRecords(folder))
        (OwnNameProblem(image).empty() ? trusted : *untrusted).push_back(image);
    return trusted;
}

bool SameName(const std::string& a, const std::string& b) {
    std::string x = Normal(a).string(), y = Normal(b).string();
    if (NamesIgnoreCase)
        for (std::string* s : {&x, &y})
            for (char& c : *s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return x == y;
}

bool OneImageFamily(const std::string& a, const std::string& b) { return SameName(LockFileOf(a), LockFileOf(b)); }

int PrepareReading(const std::string& path, ImageLock* lock, Voice& voice) {
    if (IsUrtFileName(path)) return -1;  // a URT file is never written by the tool
    std::vector<std::string> untrusted;
    for (const std::string& image : ImagesWithRecords(FolderOf(path), &untrusted))
        if (OneImageFamily(image, path))
            if (const int refused = SettleMove(NamesOf(image), false, voice); refused >= 0) return refused;
    for (const std::string& image : untrusted)
        if (OneImageFamily(image, path))
            voice.Say("note: " + Printable(image + MoveRecordSuffix) + " is no move record of the tool's (" +
                      OwnNameProblem(image) + "): it is left as it is");
    return LockImageName(path, LockUse::Shared, "", lock, voice);
}

bool ImageExists(const ImageNames& names) { return !FilesOnDisk(names.Files(), SystemDisk()).empty(); }

int ClearEarlierAttempt(const ImageNames& names, Voice& voice) {
    std::string why;
    const std::vector<std::string> removed = RemoveEarlierAttempt(names, SystemDisk(), &why);
    if (!removed.empty()) voice.Say("removed what an earlier attempt left: " + Listed(removed));
    return why.empty() ? -1 : voice.Refuse(why);
}

void AddDatExtension(std::string* image) {
    const auto slash = image->find_last_of(PathSeparators);
    if (image->find('.', slash == std::string::npos ? 0 : slash) == std::string::npos) *image += ".dat";
}
