#include "app/cli/image/disk.h"

#include <cerrno>
#include <cstring>


int Disk::ReadFile(const std::string& path, std::string* bytes, std::string* why, std::size_t limit) {
    std::string reason;
    bytes->clear();
    const FileRead read = ReadBoundedFile(path, limit, bytes, &reason);
    if (why) *why = reason;
    if (read == FileRead::Ok) return 0;
    return read == FileRead::Missing ? ENOENT : EINVAL;
}

int WriteNewFile(const std::string& path, const std::string& text) {
    std::unique_ptr<NewFile> file;
    if (const int error = CreateNewFile(path, &file)) return error;
    int error = file->Write(text.data(), text.size());
    if (!error) error = file->Sync();
    const int closed = file->Close();
    return error ? error : closed;
}

std::string WithReason(const std::string& what, int error) { return what + ": " + std::strerror(error); }
