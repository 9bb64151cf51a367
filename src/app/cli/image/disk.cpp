#include "app/cli/image/disk.h"

#include <cerrno>
#include <cstring>

#include "core/bounded_file.h"

int Disk::ReadFile(const std::string& path, std::string* bytes) {
    std::string why;
    bytes->clear();
    const FileRead read = ReadBoundedFile(path, ImageFileLimit, bytes, &why);
    if (read == FileRead::Ok) return 0;
    return read == FileRead::Missing ? ENOENT : EINVAL;
}

std::string WithReason(const std::string& what, int error) { return what + ": " + std::strerror(error); }
