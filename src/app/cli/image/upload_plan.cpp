#include "app/cli/image/upload_plan.h"

#include <cstdio>

#include "stored/urt_file_name.h"

namespace {

void Check(UploadPlan& plan, StoredFile file) {
    if (!file.present) {
        plan.missing.push_back(Printable(file.path) + " (" + file.readError + ")");
    } else {
        for (const Finding& p : file.problems)
            plan.damage.push_back(Printable(file.path) + ": offset " + std::to_string(p.offset) + ": " + p.text);
        plan.packets += static_cast<int>(file.packets.size());
    }
    plan.files.push_back(std::move(file));
}

}  // namespace

UploadPlan PlanUpload(const std::string& image, const std::array<bool, SectionCount>& sections, bool sectionsGiven) {
    UploadPlan plan;
    plan.urt = IsUrtFileName(image);
    if (plan.urt) {
        Check(plan, AnalyseStoredFile(image));
        return plan;
    }
    plan.send = sections;
    const StoredFile named = AnalyseStoredFile(image);
    if (!sectionsGiven && named.kind == StoredKind::Section && named.section) {
        plan.send.fill(false);  // box.ur3 sends Resource alone
        plan.send[static_cast<std::size_t>(SectionIndex(*named.section))] = true;
    }
    std::vector<StoredFile> files = AnalyseSectionFiles(image);
    for (SectionKind kind : AllSections) {
        const auto i = static_cast<std::size_t>(SectionIndex(kind));
        if (!plan.send[i]) continue;
        if (files[i].leftEmpty && !sectionsGiven) {
            plan.send[i] = false;
            plan.notSent.push_back(std::string(SectionName(kind)) + ": not sent, " + Printable(files[i].path) +
                                   " is not there (the box's section was empty when it was downloaded)");
            continue;
        }
        Check(plan, std::move(files[i]));
    }
    return plan;
}

std::string SectionsThatAreThere(const UploadPlan& plan) {
    std::string list;
    for (const StoredFile& f : plan.files)
        if (f.present && f.section) list += (list.empty() ? "" : ",") + std::string(SectionShortName(*f.section));
    return list;
}

std::string DescribePlan(const UploadPlan& plan, const std::string& port) {
    std::string text = "Upload to " + port + ", overwriting what the box holds:\n";
    for (const StoredFile& f : plan.files) {
        char line[512];
        std::snprintf(line, sizeof line, "  %-22s %s, %zu data packets\n",
                      StoredSectionName(f).c_str(),
                      Printable(f.path).c_str(), f.packets.size());
        text += line;
    }
    return text;
}
