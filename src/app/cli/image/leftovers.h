// What earlier runs left beside an image, as inspect tells it without touching a
// file: a move's record with what the next command will do, what an earlier attempt
// left under the incomplete names, files an old image's replace moved aside, a new
// index no move took.
#pragma once

#include <string>
#include <vector>

#include "app/cli/image/disk.h"
#include "app/cli/image/image_names.h"

struct Leftover {
    std::vector<std::string> paths;
    std::string text;
    bool problem = false;  // the name does not hold one whole image, or the record cannot be read
};

std::vector<Leftover> LeftoversOf(const ImageNames& names, Disk& disk);
