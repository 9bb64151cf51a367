#include "app/cli/commands/inspect.h"

#include "display/console/json_text.h"
#include "app/cli/image/image_names.h"
#include "app/cli/image/leftovers.h"
#include "app/cli/image/stored_file.h"

namespace {

// A file, and the section files behind it when it stands for them (an index file
// missing or empty is left out when section files stand beside it: they make the image).
std::vector<StoredFile> Gather(const std::string& path) {
    StoredFile named = AnalyseStoredFile(path);
    if (!StandsForSectionFiles(named)) return {named};
    std::vector<StoredFile> sections = AnalyseSectionFiles(path);
    if (named.kind != StoredKind::Index && !AnyPresent(sections)) return {named};
    if (named.absent) named.readError = "not there: the index file of the section files beside it";
    sections.insert(sections.begin(), std::move(named));
    return sections;
}

// What earlier runs left beside an image named by its index.
std::vector<Leftover> LeftoversBeside(const std::string& path) {
    const StoredFile named = AnalyseStoredFile(path);
    if (!StandsForSectionFiles(named)) return {};
    return LeftoversOf(NamesOf(path), SystemDisk());
}

int ProblemsOf(const StoredFile& f) {
    if (!f.present) return f.leftEmpty ? 0 : 1;  // a file that is not there is one, unless left empty
    return static_cast<int>(f.problems.size());
}

void PrintText(const StoredFile& f, bool listedByIndex, std::FILE* out) {
    if (f.leftEmpty) {
        std::fprintf(out, "%s: %s\n  note: %s\n", Printable(f.path).c_str(), f.readError.c_str(),
                     f.notes.front().text.c_str());
        return;
    }
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

Json Findings(const std::vector<Finding>& findings) {
    Json list = Json::array();
    for (const Finding& f : findings) list.push_back({{"offset", f.offset}, {"text", ValidUtf8(f.text)}});
    return list;
}

// One file, in the schema the manual page gives.
Json FileJson(const StoredFile& f) {
    static const char* const kinds[] = {"section", "urt", "index", "unknown"};
    Json j = {{"path", ValidUtf8(f.path)}, {"present", f.present}};
    if (!f.present) {
        j["error"] = f.readError;
        j["problems"] = f.leftEmpty ? Json::array() : Findings({{0, f.readError}});
        j["notes"] = Findings(f.notes);
        return j;
    }
    j["kind"] = kinds[static_cast<int>(f.kind)];
    if (f.section) j["section"] = SectionName(*f.section);
    j["bytes"] = f.bytes.size();
    if (f.kind == StoredKind::Section || f.kind == StoredKind::Urt) {
        j["header"] = {{"offset", f.headerOffset}, {"bytes", f.headerSize}, {"announced", f.announced}};
        j["packets"] = f.packets.size();
    }
    j["problems"] = Findings(f.problems);
    j["notes"] = Findings(f.notes);
    return j;
}

}  // namespace

int InspectFiles(const std::vector<std::string>& paths, bool json, std::FILE* out) {
    int problems = 0;
    Json entries = Json::array(), leftovers = Json::array();
    for (const std::string& path : paths) {
        const std::vector<StoredFile> files = Gather(path);
        for (std::size_t i = 0; i < files.size(); ++i) {
            problems += ProblemsOf(files[i]);
            if (json) {
                entries.push_back(FileJson(files[i]));
            } else {
                PrintText(files[i], i > 0, out);
                std::fputc('\n', out);
            }
        }
        for (const Leftover& left : LeftoversBeside(path)) {
            problems += left.problem ? 1 : 0;
            Json leftPaths = Json::array();
            std::string listed;
            for (const std::string& p : left.paths) {
                leftPaths.push_back(ValidUtf8(p));
                listed += (listed.empty() ? "" : ", ") + Printable(p);
            }
            if (json)
                leftovers.push_back({{"paths", leftPaths}, {"text", ValidUtf8(left.text)}, {"problem", left.problem}});
            else
                std::fprintf(out, "%s\n  %s: %s\n\n", listed.c_str(), left.problem ? "problem" : "note",
                             Printable(left.text).c_str());
        }
    }
    if (json)
        std::fputs(JsonReport({{"files", entries}, {"leftovers", leftovers}, {"problems", problems}}).c_str(), out);
    else
        std::fprintf(out, problems == 1 ? "1 problem found\n" : problems ? "%d problems found\n" : "no problems found\n",
                     problems);
    return problems;
}
