#include "app/cli/image/upload_plan.h"

#include <cstdio>


namespace {

void Check(UploadPlan& plan, const StoredFile& file) {
    if (!file.present) {
        plan.missing.push_back(Printable(file.path) + " (" + file.readError + ")");
    } else {
        for (const Finding& p : file.problems)
            plan.damage.push_back(Printable(file.path) + ": offset " + std::to_string(p.offset) + ": " + p.text);
        plan.packets += static_cast<int>(file.packets.size());
    }
    plan.files.push_back(file);
}

}  // namespace

UploadPlan PlanUpload(const StoredImage& image, const std::array<bool, SectionCount>& sections, bool sectionsGiven) {
    UploadPlan plan;
    plan.urt = image.urt;
    if (plan.urt) {
        Check(plan, image.files.front());
        return plan;
    }
    plan.send = sections;
    const StoredFile& named = image.named;
    if (named.absent && !named.section) {
        plan.refusal = "cannot upload: " + Printable(named.path) +
                       " is not there (an image is named by its index file, which a download writes beside its "
                       "section files)";
        return plan;
    }
    // An image named by an index that is damaged (or no index at all) is not sent blind:
    // what it stands for is in doubt.
    if (named.present && !named.section && (named.kind != StoredKind::Index || !named.problems.empty())) {
        const std::string why = named.problems.empty() ? "a " + DescribeKind(named) : named.problems.front().text;
        plan.refusal = "cannot upload: " + Printable(named.path) + " is " +
                       (named.kind == StoredKind::Index ? "a damaged index file" : "no index file") + " (" + why + ")" +
                       "; kestrivane inspect " + Printable(named.path) +
                       " says more; to send the section files beside it, name one of them with --sections";
        return plan;
    }
    if (named.kind == StoredKind::Section && named.section) {
        const auto own = static_cast<std::size_t>(SectionIndex(*named.section));
        if (sectionsGiven && !sections[own]) {
            plan.refusal = "--sections leaves out " + std::string(SectionName(*named.section)) + ", the section of " +
                           Printable(named.path) + ": name the image's index file to send other sections";
            return plan;
        }
        if (!sectionsGiven) {
            plan.send.fill(false);  // box.ur3 sends Resource alone
            plan.send[own] = true;
        }
    }
    for (SectionKind kind : AllSections) {
        const auto i = static_cast<std::size_t>(SectionIndex(kind));
        if (!plan.send[i]) continue;
        const StoredFile& f = image.files[i];
        if (f.leftEmpty && !sectionsGiven) {
            plan.send[i] = false;
            plan.notSent.push_back(std::string(SectionName(kind)) + ": not sent, " + Printable(f.path) +
                                   " is not there (the box's section was empty when it was downloaded)");
            continue;
        }
        Check(plan, f);
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
