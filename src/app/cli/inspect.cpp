#include "app/cli/inspect.h"

#include "app/cli/json_text.h"
#include "app/cli/stored_file.h"

namespace {

// A file, and the section files behind it when it is an index file.
std::vector<StoredFile> Gather(const std::string& path) {
    std::vector<StoredFile> files{AnalyseStoredFile(path)};
    if (files[0].present && files[0].kind == StoredKind::Index)
        for (const std::string& section : SectionFilesOf(path)) files.push_back(AnalyseStoredFile(section));
    return files;
}

int ProblemsOf(const StoredFile& f) {
    return f.present ? static_cast<int>(f.problems.size()) : 1;  // a file that is not there is one
}

void PrintText(const StoredFile& f, bool listedByIndex, std::FILE* out) {
    if (!f.present) {
        std::fprintf(out, "%s: %s%s\n", Printable(f.path).c_str(), f.readError.c_str(),
                     listedByIndex ? " (an upload with this section ticked stops before it sends anything)" : "");
        return;
    }
    std::fprintf(out, "%s: %s, %zu bytes\n", Printable(f.path).c_str(), DescribeKind(f).c_str(), f.bytes.size());
    if (f.kind == StoredKind::Section || f.kind == StoredKind::Urt) {
        if (f.headerUsable || f.announced)
            std::fprintf(out, "  header at offset %zu: %zu bytes, count position %u, count byte %u: %u data packets "
                              "announced\n",
                         f.headerOffset, f.headerSize, f.countPosition, f.countByte, f.announced);
        std::fprintf(out, "  %zu data packets stored\n", f.packets.size());
    }
    for (const std::string& line : f.indexLines) std::fprintf(out, "  lists %s\n", line.c_str());
    for (const Finding& p : f.problems) std::fprintf(out, "  offset %zu: %s\n", p.offset, p.text.c_str());
    for (const Finding& n : f.notes) std::fprintf(out, "  note: %s\n", n.text.c_str());
    if (f.problems.empty()) std::fprintf(out, "  no problems\n");
}

std::string Findings(const std::vector<Finding>& findings) {
    std::string out = "[";
    for (std::size_t i = 0; i < findings.size(); ++i)
        out += (i ? ", " : "") + std::string("{\"offset\": ") + std::to_string(findings[i].offset) +
               ", \"text\": " + JsonString(findings[i].text) + "}";
    return out + "]";
}

std::string Json(const StoredFile& f) {
    static const char* const kinds[] = {"section", "urt", "index", "unknown"};
    std::string out = "{\"path\": " + JsonString(f.path) + ", \"present\": " + (f.present ? "true" : "false");
    if (!f.present) return out + ", \"error\": " + JsonString(f.readError) + ", \"problems\": 1}";
    out += ", \"kind\": \"" + std::string(kinds[static_cast<int>(f.kind)]) + "\"";
    if (f.section) out += ", \"section\": " + JsonString(SectionName(*f.section));
    out += ", \"bytes\": " + std::to_string(f.bytes.size());
    if (f.kind == StoredKind::Section || f.kind == StoredKind::Urt)
        out += ", \"header\": {\"offset\": " + std::to_string(f.headerOffset) + ", \"bytes\": " +
               std::to_string(f.headerSize) + ", \"announced\": " + std::to_string(f.announced) +
               "}, \"packets\": " + std::to_string(f.packets.size());
    return out + ", \"problems\": " + Findings(f.problems) + ", \"notes\": " + Findings(f.notes) + "}";
}

}  // namespace

int InspectFiles(const std::vector<std::string>& paths, bool json, std::FILE* out) {
    int problems = 0;
    std::string entries;
    for (const std::string& path : paths) {
        const std::vector<StoredFile> files = Gather(path);
        for (std::size_t i = 0; i < files.size(); ++i) {
            problems += ProblemsOf(files[i]);
            if (json) {
                entries += (entries.empty() ? "\n  " : ",\n  ") + Json(files[i]);
            } else {
                PrintText(files[i], i > 0, out);
                std::fputc('\n', out);
            }
        }
    }
    if (json)
        std::fprintf(out, "{\"files\": [%s\n], \"problems\": %d}\n", entries.c_str(), problems);
    else
        std::fprintf(out, problems == 1 ? "1 problem found\n" : problems ? "%d problems found\n" : "no problems found\n",
                     problems);
    return problems;
}
