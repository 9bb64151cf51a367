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
    for (SectionKind kind : AllSections) {
        const std::string line = SectionFilePath(chosenPath, kind) + "\n";
        std::fwrite(line.data(), 1, line.size(), file);
    }
    std::fclose(file);
    return 0;
}
