#include "download/index_file.h"

#include <cstdio>

#include "display/progress_display.h"
#include "link/section_kind.h"

int WriteIndexFile(const std::string& chosenPath) {
    std::FILE* file = std::fopen(chosenPath.c_str(), "wb");
    if (!file) {
        ShowError("Unable to create a file");
        return 1;
    }
    bool written = true;
    for (SectionKind kind : AllSections) {
        const std::string line = SectionFilePath(chosenPath, kind) + "\n";
        written = std::fwrite(line.data(), 1, line.size(), file) == line.size() && written;
    }
    // A write that failed (a full disk) is reported as a file that could not be made.
    if (std::fclose(file) != 0 || !written) {
        ShowError("Unable to create a file");
        return 1;
    }
    return 0;
}
