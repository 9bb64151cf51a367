#include "support/win32/box_record.h"

#include <windows.h>

#include <fstream>
#include <iterator>

#include "support/win32/gui_driver.h"

namespace {

const char* const Suffixes[] = {"ur1", "ur2", "ur3", "ur4", "ur5"};

std::string RecordedPath(const std::string& dir, const char* suffix) {
    return dir + "\\recorded." + suffix;
}

}  // namespace

FileBytes ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return FileBytes(std::istreambuf_iterator<char>(in), {});
}

void WriteWholeFile(const std::string& path, const FileBytes& bytes) {
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::pair<std::string, FileBytes>> RecordedSections(const std::string& dir) {
    std::vector<std::pair<std::string, FileBytes>> sections;
    for (const char* suffix : Suffixes) {
        const std::string path = RecordedPath(dir, suffix);
        if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) sections.emplace_back(suffix, ReadWholeFile(path));
    }
    return sections;
}

void ClearRecordedSections(const std::string& dir) {
    for (const char* suffix : Suffixes) DeleteFileA(RecordedPath(dir, suffix).c_str());
}

std::vector<std::pair<std::string, FileBytes>> WaitForRecordedSections(const std::string& dir, std::size_t count) {
    WaitUntil([&] { return RecordedSections(dir).size() >= count; }, 5000);
    return RecordedSections(dir);
}
