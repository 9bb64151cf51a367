// An image as a command names it, read once into one value: the file named, and the
// files it stands for, each read and looked through. The upload's plan, the checks,
// verify, the report and the log are all handed this.
#pragma once

#include <string>
#include <vector>

#include "app/cli/image/stored_file.h"

struct StoredImage {
    std::string path;
    StoredFile named;
    bool urt = false;           // a URT file: one section
    bool sectionFiles = false;  // stands for the section files beside it (an index file, or a name without one)
    // A URT file: itself alone. Otherwise the five section files of its stem in their
    // order, present or not (a section file named is one of them).
    std::vector<StoredFile> files;
};

StoredImage ReadStoredImage(const std::string& path);
