// `kestrivane download` and `kestrivane upload`: the checks before the box is
// touched, the question, the session and what is said after it.
#pragma once

#include <array>
#include <string>

#include "core/section_kind.h"

struct TransferOptions {
    bool yes = false;      // no question
    bool force = false;    // upload damaged files anyway
    bool quiet = false;    // only failures
    bool verbose = false;  // the settings and what was done to the line
    double patience = 60;  // seconds the box may stay silent between sections (0: without end)
    std::string trace;     // --trace FILE: every byte on the line, as it happens
    bool progressJson = false;  // --progress=json: events as JSON lines instead of the bars
    std::string log;       // --log FILE (or Log= in config.ini): a JSON line per transfer
    bool verify = false;   // --verify: read the box back afterwards and compare
    std::array<bool, SectionCount> sections{true, true, true, true, true};
    bool sectionsGiven = false;
};

// Each returns the exit status; the settings are applied already.
int DownloadCommand(std::string image, const TransferOptions& options);
int UploadCommand(const std::string& image, const TransferOptions& options);
// `kestrivane verify IMAGE`: reads the box back and compares it with IMAGE.
int VerifyCommand(const std::string& image, const TransferOptions& options);
