#include "stored/index_file.h"

#include <cstdio>

#include "core/progress_display.h"
#include "core/section_kind.h"

std::string IndexFileText(const std::string& chosenPath) {
    std::string text;
    for (SectionKind kind : AllSections) text += SectionFilePath(chosenPath, kind) + "\n";
    return text;
}

int WriteIndexFile(const std::string& chosenPath) {
    std::FILE* file = std::fopen(chosenPath.c_str(), "wb");
    if (!file) {
        Show(MessageId::IndexFileNotCreated);
        return 1;
    }
    const std::string text = IndexFileText(chosenPath);
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    // A write that failed (a full disk) is reported as a file that could not be made.
    if (std::fclose(file) != 0 || !written) {
        Show(MessageId::IndexFileNotCreated);
        return 1;
    }
    return 0;
}
