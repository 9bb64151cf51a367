#include "core/bounded_file.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

const char* KindOf(const struct stat& st) {
    if (S_ISDIR(st.st_mode)) return "is a directory";
#ifdef S_ISFIFO
    if (S_ISFIFO(st.st_mode)) return "is a FIFO, not a regular file";
#endif
    if (S_ISCHR(st.st_mode)) return "is a device, not a regular file";
    return "is not a regular file";
}

}  // namespace

FileRead ReadBoundedFile(const std::string& path, std::size_t limit, std::string* bytes, std::string* why) {
    bytes->clear();
    struct stat st;
    if (stat(path.c_str(), &st) != 0) {
        *why = errno == ENOENT ? "no such file" : std::strerror(errno);
        return errno == ENOENT ? FileRead::Missing : FileRead::Refused;
    }
    if (!S_ISREG(st.st_mode)) {
        *why = KindOf(st);
        return FileRead::Refused;
    }
    const std::string tooLarge = "is larger than " + std::to_string(limit) + " bytes";
    if (static_cast<unsigned long long>(st.st_size) > limit) {
        *why = tooLarge;
        return FileRead::Refused;
    }
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        *why = std::strerror(errno);
        return FileRead::Refused;
    }
    char chunk[65536];
    std::size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
        if (bytes->size() + got > limit) {  // it grew while we read
            std::fclose(file);
            bytes->clear();
            *why = tooLarge;
            return FileRead::Refused;
        }
        bytes->append(chunk, got);
    }
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) {
        bytes->clear();
        *why = "cannot be read";
        return FileRead::Refused;
    }
    return FileRead::Ok;
}
