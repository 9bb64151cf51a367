#include "app/cli/image/checked_files.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

class BytesIn final : public SectionIn {
public:
    explicit BytesIn(const std::string& bytes) : bytes_(bytes) {}
    std::size_t Read(std::uint8_t* bytes, std::size_t size) override {
        const std::size_t n = std::min(size, bytes_.size() - at_);
        std::memcpy(bytes, bytes_.data() + at_, n);
        at_ += n;
        return n;
    }
    int Next() override { return at_ < bytes_.size() ? static_cast<std::uint8_t>(bytes_[at_++]) : -1; }
    void Rewind() override { at_ = 0; }
    long long Position() const override { return static_cast<long long>(at_); }

private:
    const std::string& bytes_;
    std::size_t at_ = 0;
};

}  // namespace

CheckedFiles::CheckedFiles(const std::vector<StoredFile>& files) {
    for (const StoredFile& f : files)
        if (f.present) bytes_[f.path] = &f.bytes;
}

std::unique_ptr<SectionIn> CheckedFiles::Open(const std::string& path, int* error) {
    const auto found = bytes_.find(path);
    if (found == bytes_.end()) {
        *error = ENOENT;
        return nullptr;
    }
    return std::make_unique<BytesIn>(*found->second);
}
