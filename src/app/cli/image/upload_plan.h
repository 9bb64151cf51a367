// What an upload will send, found and checked before the box is touched.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "app/cli/image/stored_image.h"

struct UploadPlan {
    bool urt = false;
    std::array<bool, SectionCount> send{};  // section mode: the sections to send
    std::vector<StoredFile> files;          // in the order they go: one for a URT file
    std::vector<std::string> missing;       // files to send that are not there (or cannot be read)
    std::vector<std::string> damage;        // "FILE: offset N: what", for each problem of a file to send or its index
    std::vector<std::string> notSent;       // sections of the image that are not sent, and why
    std::string refusal;                    // why the options and the image do not go together
    int packets = 0;                        // data packets stored in the files to send
};

// IMAGE: a URT file, or an index or section file. `sections` are the ones asked
// for; without `sectionsGiven` a section file named directly sends its own section,
// and an Application Software section left empty is not sent (said in notSent). A
// section file named with --sections that leave out its own section is refused, and
// so is an index file that is not there.
UploadPlan PlanUpload(const StoredImage& image, const std::array<bool, SectionCount>& sections, bool sectionsGiven);

// The --sections list that sends the files of the plan that are there.
std::string SectionsThatAreThere(const UploadPlan& plan);

// Lines for the question before an upload: the port, and per file its section,
// path and data packets.
std::string DescribePlan(const UploadPlan& plan, const std::string& port);
