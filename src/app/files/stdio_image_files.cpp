#include "app/files/stdio_image_files.h"

#include <cerrno>
#include <cstdio>

namespace {

class StdioSection final : public SectionOut {
public:
    explicit StdioSection(std::FILE* file) : file_(file) {}
    ~StdioSection() override {
        if (file_) std::fclose(file_);
    }
    int Append(const std::uint8_t* bytes, std::size_t size) override {
        errno = 0;
        if (std::fwrite(bytes, 1, size, file_) == size) return 0;
        return errno ? errno : EIO;
    }
    int Close() override {
        errno = 0;
        const int closed = std::fclose(file_);
        file_ = nullptr;
        return closed == 0 ? 0 : errno ? errno : EIO;
    }

private:
    std::FILE* file_;
};

class StdioIn final : public SectionIn {
public:
    explicit StdioIn(std::FILE* file) : file_(file) {}
    ~StdioIn() override { std::fclose(file_); }
    std::size_t Read(std::uint8_t* bytes, std::size_t size) override { return std::fread(bytes, 1, size, file_); }
    int Next() override { return std::fgetc(file_); }
    void Rewind() override { std::rewind(file_); }
    long long Position() const override { return std::ftell(file_); }

private:
    std::FILE* file_;
};

}  // namespace

int StdioImageSink::WriteIndex(const std::string& path, const std::string& text) {
    errno = 0;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return errno ? errno : EIO;
    int error = 0;
    if (std::fwrite(text.data(), 1, text.size(), file) != text.size()) error = errno ? errno : EIO;
    errno = 0;
    if (std::fclose(file) != 0 && !error) error = errno ? errno : EIO;
    return error;
}

std::unique_ptr<SectionOut> StdioImageSink::CreateSection(const std::string& path, int* error) {
    errno = 0;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        *error = errno ? errno : EIO;
        return nullptr;
    }
    std::setvbuf(file, nullptr, _IONBF, 0);
    return std::make_unique<StdioSection>(file);
}

void StdioImageSink::RemoveSection(const std::string& path) { std::remove(path.c_str()); }

std::unique_ptr<SectionIn> StdioImageSource::Open(const std::string& path, int* error) {
    errno = 0;
    std::FILE* file = std::fopen(path.c_str(), "r+b");  // must be writable; never written
    if (!file) {
        *error = errno ? errno : EIO;
        return nullptr;
    }
    return std::make_unique<StdioIn>(file);
}
