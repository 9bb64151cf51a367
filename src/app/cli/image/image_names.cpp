#include "app/cli/image/image_names.h"

namespace {

constexpr const char* AsideSuffix = ".kestrivane-old";
constexpr const char* NewIndexSuffix = ".kestrivane-new";

// box.dat gives box.incomplete.dat; a name without a three-letter extension has one
// added, so that its section files stay its own.
std::string IncompleteName(const std::string& image) {
    if (!HasThreeLetterExtension(image)) return image + ".incomplete.dat";
    const auto dot = image.rfind('.');
    return image.substr(0, dot) + ".incomplete" + image.substr(dot);
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
    return names;
}

std::string AsideName(const std::string& path) { return path + AsideSuffix; }

bool HasThreeLetterExtension(const std::string& image) {
    const auto slash = image.find_last_of('/');
    const auto dot = image.rfind('.');
    return dot != std::string::npos && (slash == std::string::npos || dot > slash) && image.size() - dot == 4;
}

std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string BaseName(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}
