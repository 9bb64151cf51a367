#include "app/cli/image/move_record.h"

#include <cerrno>

namespace {

constexpr const char* FirstLine = "kestrivane move record 1";
constexpr const char* LastLine = "end";

std::vector<std::string> Split(const std::string& line, char by) {
    std::vector<std::string> parts(1);
    for (char c : line) {
        if (c == by) parts.emplace_back();
        else parts.back() += c;
    }
    return parts;
}

// Which of `paths` a name the record gives is (SectionCount: none of them).
std::size_t Which(const std::string& name, const std::array<std::string, SectionCount>& paths) {
    std::size_t i = 0;
    while (i < SectionCount && BaseName(paths[i]) != name) ++i;
    return i;
}

bool IsDigest(const std::string& text) {
    if (text.size() != 64) return false;
    for (char c : text)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    return true;
}

}  // namespace

bool ParseMoveRecord(const std::string& text, const ImageNames& names, MoveRecord* record) {
    *record = MoveRecord{};
    const std::vector<std::string> lines = Split(text, '\n');
    // The first line, the last ("end", then nothing but the final line break).
    if (lines.size() < 3 || lines.front() != FirstLine || lines[lines.size() - 2] != LastLine || !lines.back().empty())
        return false;
    for (std::size_t i = 1; i + 2 < lines.size(); ++i) {
        const std::vector<std::string> f = Split(lines[i], '\t');
        if (f[0] == "old" && f.size() == 2) {
            if (f[1] == BaseName(names.image)) {
                record->old.push_back(names.image);
                continue;
            }
            const std::size_t i = Which(f[1], names.sections);
            if (i == SectionCount) return false;
            record->old.push_back(names.sections[i]);
        } else if (f[0] == "new" && f.size() == 5) {
            // Each section file goes to its own section's name.
            const std::size_t i = Which(f[1], names.incompleteSections);
            if (i == SectionCount || Which(f[2], names.sections) != i || !IsDigest(f[4])) return false;
            RecordedFile file;
            file.from = names.incompleteSections[i];
            file.to = names.sections[i];
            errno = 0;
            char* end = nullptr;
            file.bytes = std::strtoull(f[3].c_str(), &end, 10);
            if (f[3].empty() || f[3].find_first_not_of("0123456789") != std::string::npos || *end || errno) return false;
            file.sha256 = f[4];
            record->moves.push_back(file);
        } else {
            return false;
        }
    }
    // Each file once.
    for (std::size_t a = 0; a < record->old.size(); ++a)
        for (std::size_t b = a + 1; b < record->old.size(); ++b)
            if (record->old[a] == record->old[b]) return false;
    for (std::size_t a = 0; a < record->moves.size(); ++a)
        for (std::size_t b = a + 1; b < record->moves.size(); ++b)
            if (record->moves[a].to == record->moves[b].to) return false;
    return true;
}

std::string MoveRecordText(const MoveRecord& record) {
    std::string text = std::string(FirstLine) + "\n";
    for (const std::string& path : record.old) text += "old\t" + BaseName(path) + "\n";
    for (const RecordedFile& f : record.moves)
        text += "new\t" + BaseName(f.from) + "\t" + BaseName(f.to) + "\t" + std::to_string(f.bytes) + "\t" +
                f.sha256 + "\n";
    return text + LastLine + "\n";
}

RecordRead ReadMoveRecord(const ImageNames& names, Disk& disk, MoveRecord* record, std::string* why) {
    *record = MoveRecord{};
    if (!disk.Exists(names.record)) return RecordRead::Absent;
    const std::string recordPath = names.record;
    if (const std::string own = OwnNameProblem(names.image); !own.empty()) {
        *why = recordPath + " is no move record of the tool's: " + names.image + " is no name it gives an image (" + own + ")";
        return RecordRead::Unreadable;
    }
    if (disk.IsLink(recordPath)) {
        *why = "the move record " + recordPath + " is a link, which the tool never writes";
        return RecordRead::Unreadable;
    }
    std::string text, reason;
    if (disk.ReadFile(recordPath, &text, &reason, MoveRecordLimit) != 0) {
        // "is a FIFO, not a regular file", "is larger than .. bytes", or the system's reason.
        const bool said = reason.rfind("is ", 0) == 0 || reason.rfind("cannot ", 0) == 0;
        *why = "the move record " + recordPath + (said ? " " + reason : " cannot be read: " + reason);
        return RecordRead::Unreadable;
    }
    if (!ParseMoveRecord(text, names, record)) {
        *record = MoveRecord{};
        *why = "the move record " + recordPath + " is cut short or is not this image's (was the program stopped while it wrote it?)";
        return RecordRead::Unreadable;
    }
    return RecordRead::Ok;
}
