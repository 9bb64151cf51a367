#include "stored/index_file.h"

#include <cerrno>
#include <cstdio>

#include "core/section_kind.h"

std::string IndexFileText(const std::string& chosenPath) {
    std::string text;
    for (SectionKind kind : AllSections) text += SectionFilePath(chosenPath, kind) + "\n";
    return text;
}

int WriteIndexFile(const std::string& chosenPath, ProgressDisplay& observer, int* systemError) {
    const auto failed = [&] {
        *systemError = errno;
        observer.ShowMessage(MessageOf(MessageId::IndexFileNotCreated));
        return 1;
    };
    std::FILE* file = std::fopen(chosenPath.c_str(), "wb");
    if (!file) return failed();
    const std::string text = IndexFileText(chosenPath);
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    // A write that failed (a full disk) is reported as a file that could not be made.
    if (std::fclose(file) != 0 || !written) return failed();
    return 0;
}
