// An upload's files as the command line hands them to its session: the very bytes it
// read and checked before the box was touched, never read again from the disk, so
// that the box gets what was checked.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "app/cli/image/stored_file.h"
#include "core/image_source.h"

class CheckedFiles final : public ImageSource {
public:
    explicit CheckedFiles(const std::vector<StoredFile>& files);
    // One of the files it was given (ENOENT for any other).
    std::unique_ptr<SectionIn> Open(const std::string& path, int* error) override;

private:
    std::map<std::string, const std::string*> bytes_;
};
