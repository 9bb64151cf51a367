#include "app/cli/commands/compare.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "app/cli/image/section_compare.h"
#include "app/cli/image/stored_file.h"
#include "display/console/json_text.h"

namespace {

struct Side {
    std::vector<StoredFile> files;  // an index file's five, or the one file
    bool index = false;
};

bool Load(const std::string& path, Side* side, std::string* why) {
    StoredFile file = AnalyseStoredFile(path);
    if (StandsForSectionFiles(file)) {
        side->index = true;
        side->files = AnalyseSectionFiles(path);
        if (AnyPresent(side->files)) return true;
        *why = path + ": " + (file.present ? std::string("empty") : file.readError) + ", and no section files beside it";
        return false;
    }
    if (!file.present) {
        *why = path + ": " + file.readError;
        return false;
    }
    if (file.kind == StoredKind::Unknown) {
        *why = path + ": neither an index, a section nor a URT file";
        return false;
    }
    side->files.push_back(std::move(file));
    return true;
}

struct Pair {
    std::string label;
    const StoredFile* a;
    const StoredFile* b;
};

bool PairUp(const Side& a, const Side& b, std::vector<Pair>* pairs, std::string* why) {
    if (a.index && b.index) {
        for (int i = 0; i < SectionCount; ++i)
            pairs->push_back({SectionName(AllSections[i]), &a.files[i], &b.files[i]});
        return true;
    }
    if (!a.index && !b.index) {
        pairs->push_back({StoredSectionName(a.files[0]), &a.files[0], &b.files[0]});
        return true;
    }
    const Side& index = a.index ? a : b;
    const StoredFile& single = a.index ? b.files[0] : a.files[0];
    if (!single.section) {
        *why = single.path + ": no section named by its extension, to find in the index file's image";
        return false;
    }
    const StoredFile& fromIndex = index.files[static_cast<std::size_t>(SectionIndex(*single.section))];
    pairs->push_back({SectionName(*single.section), a.index ? &fromIndex : &single, a.index ? &single : &fromIndex});
    return true;
}

}  // namespace

int CompareImages(const std::string& pathA, const std::string& pathB, bool json, std::FILE* out, std::FILE* err) {
    Side a, b;
    std::string why;
    std::vector<Pair> pairs;
    if (!Load(pathA, &a, &why) || !Load(pathB, &b, &why) || !PairUp(a, b, &pairs, &why)) {
        std::fprintf(err, "kestrivane: compare: %s\n", Printable(why).c_str());
        if (json)
            std::fputs(JsonReport({{"a", ValidUtf8(pathA)}, {"b", ValidUtf8(pathB)}, {"error", ValidUtf8(why)},
                                   {"sections", Json::array()}, {"same", false}})
                           .c_str(),
                       out);
        return 2;
    }
    bool same = true;
    Json entries = Json::array();
    for (const Pair& p : pairs) {
        if (!p.a->present && !p.b->present) continue;  // neither image holds this section
        const std::vector<std::string> diffs = SectionDifferences(*p.a, *p.b);
        same = same && diffs.empty();
        if (json) {
            Json list = Json::array();
            for (const std::string& d : diffs) list.push_back(ValidUtf8(d));
            entries.push_back({{"section", p.label}, {"same", diffs.empty()}, {"differences", list}});
        } else if (diffs.empty()) {
            std::fprintf(out, "%s: same (header and %zu data packets)\n", p.label.c_str(), p.a->packets.size());
        } else {
            std::fprintf(out, "%s: differs\n", p.label.c_str());
            for (const std::string& d : diffs) std::fprintf(out, "  %s\n", d.c_str());
        }
    }
    if (json)
        std::fputs(JsonReport({{"a", ValidUtf8(pathA)}, {"b", ValidUtf8(pathB)}, {"sections", entries}, {"same", same}})
                       .c_str(),
                   out);
    else
        std::fprintf(out, same ? "the images hold the same packets\n" : "the images differ\n");
    return same ? 0 : 1;
}
