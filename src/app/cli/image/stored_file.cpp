#include "app/cli/image/stored_file.h"

#include <cctype>
#include <cstdio>

#include "app/cli/machine/system_ways.h"
#include "core/bounded_file.h"
#include "display/console/json_text.h"
#include "core/packet.h"
#include "stored/stored_section.h"
#include "stored/urt_file_name.h"

namespace {

const std::uint8_t* At(const StoredFile& f, std::size_t offset) {
    return reinterpret_cast<const std::uint8_t*>(f.bytes.data()) + offset;
}

std::optional<SectionKind> KindFromSuffix(const std::string& path) {
    if (path.size() < 3) return std::nullopt;
    std::string suffix = path.substr(path.size() - 3);
    for (char& c : suffix) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (SectionKind kind : AllSections)
        if (suffix == SectionSuffix(kind)) return kind;
    return std::nullopt;
}

bool LooksLikeText(const std::string& bytes) {
    for (unsigned char c : bytes)
        if (!(std::isprint(c) || c >= 0x80 || c == '\n' || c == '\r' || c == '\t')) return false;
    return !bytes.empty();
}

// The header packet at `start` and the data packets behind it, as an upload takes them.
void AnalyseSection(StoredFile& f, std::size_t start) {
    const StoredSectionLayout layout = ReadStoredSection(At(f, 0), f.bytes.size(), start,
                                                         f.kind == StoredKind::Urt ? std::nullopt : f.section);
    f.headerOffset = layout.headerOffset;
    f.headerSize = layout.headerSize;
    f.headerUsable = layout.headerUsable;
    f.countPosition = layout.countPosition;
    f.countByte = layout.countByte;
    f.announced = layout.announced;
    for (const StoredPacketSpan& p : layout.packets) f.packets.push_back({p.offset, p.size});
    for (const StoredFinding& p : layout.problems) f.problems.push_back({p.offset, DescribeFinding(p)});
    if (layout.headerRead && f.packets.size() < f.announced)
        f.notes.push_back({f.bytes.size(), "holds " + std::to_string(f.packets.size()) + " of the " +
                                               std::to_string(f.announced) +
                                               " data packets its header counts in whole blocks of 16 (a section "
                                               "ends where its data does); an upload sends these, then an empty "
                                               "packet (0xFF) for each further one the box asks for"});
}

void AnalyseIndex(StoredFile& f) {
    std::string line;
    for (char c : f.bytes) {
        if (c == '\n') {
            f.indexLines.push_back(Printable(line));
            line.clear();
        } else {
            line += c;
        }
    }
    if (f.indexLines.size() != SectionCount || !line.empty()) {
        f.problems.push_back({0, "not five lines each ended by LF: not an index file written by a download"});
        return;
    }
    // Each line names the section file an upload of this index sends (by its file name:
    // the folder may have been another when it was written).
    for (SectionKind kind : AllSections) {
        const std::string& listed = f.indexLines[static_cast<std::size_t>(SectionIndex(kind))];
        const std::string sent = SectionFilePath(f.path, kind);
        const auto slash = listed.find_last_of("/\\");
        const auto cut = sent.find_last_of(PathSeparators);
        if (listed.substr(slash == std::string::npos ? 0 : slash + 1) == Printable(sent.substr(cut == std::string::npos ? 0 : cut + 1)))
            continue;
        f.problems.push_back({0, "lists " + listed + " as its " + SectionName(kind) + " file, but an upload of it sends " +
                                     Printable(sent) + ": the index and its section files disagree (renamed?)"});
        return;
    }
}

}  // namespace

std::string Printable(const std::string& text) { return PrintableText(text); }

std::vector<std::string> SectionFilesOf(const std::string& indexPath) {
    std::vector<std::string> files;
    for (SectionKind kind : AllSections) files.push_back(SectionFilePath(indexPath, kind));
    return files;
}

std::vector<StoredFile> AnalyseSectionFiles(const std::string& indexPath, const StoredFile* known) {
    std::vector<StoredFile> files;
    for (const std::string& path : SectionFilesOf(indexPath))
        files.push_back(known && known->path == path ? *known : AnalyseStoredFile(path));
    StoredFile& application = files[SectionIndex(SectionKind::ApplicationSoftware)];
    bool othersThere = true;
    for (const StoredFile& f : files) othersThere = othersThere && (f.present || &f == &application);
    if (application.absent && othersThere) {
        application.leftEmpty = true;
        application.notes.push_back({0, "no Application Software section: an empty section leaves no file"});
    }
    return files;
}

bool AnyPresent(const std::vector<StoredFile>& files) {
    for (const StoredFile& f : files)
        if (f.present) return true;
    return false;
}

bool StandsForSectionFiles(const StoredFile& named) {
    if (named.kind == StoredKind::Index) return true;
    return (!named.present || named.bytes.empty()) && !named.section && !IsUrtFileName(named.path);
}

StoredFile AnalyseStoredFile(const std::string& path) {
    StoredFile f;
    f.path = path;
    const FileRead read = ReadBoundedFile(path, ImageFileLimit, &f.bytes, &f.readError);
    f.present = read == FileRead::Ok;
    f.absent = read == FileRead::Missing;
    // The kind an upload takes it for: by its name, then by what it holds.
    f.section = KindFromSuffix(path);
    if (IsUrtFileName(path))
        f.kind = StoredKind::Urt;
    else if (f.section)
        f.kind = StoredKind::Section;
    else if (!f.bytes.empty() && static_cast<std::uint8_t>(f.bytes[0]) == STX)
        f.kind = StoredKind::Section;
    else if (LooksLikeText(f.bytes))
        f.kind = StoredKind::Index;
    if (!f.present) return f;

    switch (f.kind) {
    case StoredKind::Urt:
        AnalyseSection(f, UrtPrefixSize);
        break;
    case StoredKind::Section:
        AnalyseSection(f, 0);
        break;
    case StoredKind::Index:
        AnalyseIndex(f);
        break;
    case StoredKind::Unknown:
        f.problems.push_back({0, f.bytes.empty() ? "empty" : "neither an index, a section nor a URT file (binary content "
                                                             "that does not start with a header packet)"});
        break;
    }
    return f;
}

std::string StoredSectionName(const StoredFile& f) {
    return f.kind == StoredKind::Urt ? "URT file" : f.section ? SectionName(*f.section) : "section";
}

std::string DescribeKind(const StoredFile& f) {
    switch (f.kind) {
    case StoredKind::Urt: return "URT file";
    case StoredKind::Section: return f.section ? std::string(SectionName(*f.section)) + " section file" : "section file";
    case StoredKind::Index: return "index file";
    case StoredKind::Unknown: break;
    }
    return "file of unknown content";
}
