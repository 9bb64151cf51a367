#include "app/cli/image/new_files_sink.h"

#include "app/cli/image/disk.h"

namespace {

class NewSection final : public SectionOut {
public:
    explicit NewSection(std::unique_ptr<NewFile> file) : file_(std::move(file)) {}
    int Append(const std::uint8_t* bytes, std::size_t size) override { return file_->Write(bytes, size); }
    int Close() override { return file_->Close(); }

private:
    std::unique_ptr<NewFile> file_;
};

}  // namespace

int NewFilesSink::WriteIndex(const std::string& path, const std::string& text) { return WriteNewFile(path, text); }

std::unique_ptr<SectionOut> NewFilesSink::CreateSection(const std::string& path, int* error) {
    std::unique_ptr<NewFile> file;
    *error = CreateNewFile(path, &file);
    if (*error) return nullptr;
    return std::make_unique<NewSection>(std::move(file));
}

void NewFilesSink::RemoveSection(const std::string& path) { SystemDisk().Remove(path); }
