#include "app/cli/image_replace.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "core/section_kind.h"
#include "download/index_file.h"

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

bool PutImageInPlace(const std::string& incomplete, const std::string& image, std::string* why) {
    for (SectionKind kind : AllSections) {
        const std::string from = SectionFilePath(incomplete, kind), to = SectionFilePath(image, kind);
        if (std::rename(from.c_str(), to.c_str()) == 0 || errno == ENOENT) continue;
        *why = "cannot move " + from + " to " + to + ": " + std::strerror(errno);
        return false;
    }
    const std::string index = IndexFileText(image);
    std::ofstream out(image, std::ios::binary | std::ios::trunc);
    out.write(index.data(), static_cast<std::streamsize>(index.size()));
    out.close();
    if (!out) {
        *why = "cannot write the index file " + image;
        return false;
    }
    std::remove(incomplete.c_str());
    return true;
}
