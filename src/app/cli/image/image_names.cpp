#include "app/cli/image/image_names.h"

#include <cctype>

#include "app/cli/machine/system_ways.h"

namespace {

constexpr const char* AsideSuffix = ".kestrivane-old";
constexpr const char* NewIndexSuffix = ".kestrivane-new";
constexpr const char* LockName = "kestrivane-lock";
constexpr const char* IncompleteMark = ".incomplete";

std::string Lowered(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// box.dat gives box.incomplete.dat; a name without a three-letter extension has one
// added, so that its section files stay its own.
std::string IncompleteName(const std::string& image) {
    if (!HasThreeLetterExtension(image)) return image + ".incomplete.dat";
    const auto dot = image.rfind('.');
    return image.substr(0, dot) + IncompleteMark + image.substr(dot);
}

}  // namespace

std::vector<std::string> ImageNames::Files() const {
    std::vector<std::string> files{image};
    files.insert(files.end(), sections.begin(), sections.end());
    return files;
}

std::vector<std::string> ImageNames::IncompleteFiles() const {
    std::vector<std::string> files{incomplete};
    files.insert(files.end(), incompleteSections.begin(), incompleteSections.end());
    return files;
}

ImageNames NamesOf(const std::string& image) {
    ImageNames names;
    names.image = image;
    names.folder = FolderOf(image);
    names.incomplete = IncompleteName(image);
    for (SectionKind kind : AllSections) {
        const auto i = static_cast<std::size_t>(SectionIndex(kind));
        names.sections[i] = SectionFilePath(image, kind);
        names.incompleteSections[i] = SectionFilePath(names.incomplete, kind);
    }
    names.record = image + MoveRecordSuffix;
    names.newIndex = image + NewIndexSuffix;
    names.lock = LockFileOf(image);
    return names;
}

std::string LockFileOf(const std::string& path) {
    const std::string stem = path.substr(0, path.size() > 3 ? path.size() - 3 : 0);
    const bool ends = stem.empty() || stem.back() == '.' || stem.back() == '/' || stem.back() == '\\';
    return stem + (ends ? "" : ".") + LockName;
}

std::string OwnNameProblem(const std::string& image) {
    if (!HasThreeLetterExtension(image)) return "it does not end in a three-letter extension";
    const std::string extension = Lowered(image.substr(image.size() - 3));
    for (SectionKind kind : AllSections)
        if (extension == SectionSuffix(kind))
            return "it is the name of a section file (." + extension + ": " + SectionName(kind) + ")";
    if (extension == "urt") return "it is the name of a URT file, which an upload sends and a download never writes";
    const std::string stem = image.substr(0, image.size() - 4);
    const std::string mark = IncompleteMark;
    if (stem.size() > mark.size() && Lowered(stem.substr(stem.size() - mark.size())) == mark)
        return "it is the name a download of " + stem.substr(0, stem.size() - mark.size()) + image.substr(image.size() - 4) +
               " comes down under";
    return {};
}

std::string AsideName(const std::string& path) { return path + AsideSuffix; }

bool HasThreeLetterExtension(const std::string& image) {
    const auto slash = image.find_last_of(PathSeparators);
    const auto dot = image.rfind('.');
    return dot != std::string::npos && (slash == std::string::npos || dot > slash) && image.size() - dot == 4;
}

std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of(PathSeparators);
    if (slash == std::string::npos) return ".";
    // The root keeps its separator: "/", "C:\\".
    const bool root = slash == 0 || (slash == 2 && path[1] == ':');
    return path.substr(0, root ? slash + 1 : slash);
}

std::string BaseName(const std::string& path) {
    const auto slash = path.find_last_of(PathSeparators);
    return slash == std::string::npos ? path : path.substr(slash + 1);
}
