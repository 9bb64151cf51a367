// A move record read from any text: either refused, or every file it names is one of
// the image's own (its index and section files, its incomplete section files), and
// written again it reads back the same.
#include <cstddef>
#include <cstdint>
#include <string>

#include "app/cli/image/move_record.h"

namespace {

bool OneOf(const std::string& path, const std::vector<std::string>& names) {
    for (const std::string& name : names)
        if (path == name) return true;
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const ImageNames names = NamesOf("/images/box.dat");
    const std::string text(reinterpret_cast<const char*>(data), size);
    MoveRecord record;
    if (!ParseMoveRecord(text, names, &record)) return 0;
    for (const std::string& old : record.old)
        if (!OneOf(old, names.Files())) __builtin_trap();
    for (const RecordedFile& f : record.moves)
        if (!OneOf(f.from, names.IncompleteFiles()) || !OneOf(f.to, names.Files()) || f.to == names.image) __builtin_trap();
    MoveRecord again;
    if (!ParseMoveRecord(MoveRecordText(record), names, &again) || again.old != record.old ||
        again.moves.size() != record.moves.size())
        __builtin_trap();
    return 0;
}
