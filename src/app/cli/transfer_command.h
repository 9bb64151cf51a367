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

// What goes, in the same way, into one box's transfer and into several boxes' at once.
enum class TransferKind { Download, Upload, Verify };

// The checks before a box is touched. Each returns -1 to go on, or the exit status
// (after saying why).
// A download's name: not a folder, in a folder that is there, .dat added when it
// has no extension.
int PrepareDownloadName(std::string* image);
// The name with .dat added when it has no extension.
void AddDatExtension(std::string* image);
// An earlier image of that name (index or section files) may be replaced: asked on
// a terminal, else --yes.
int ConfirmReplacing(const std::string& what, const TransferOptions& options);
bool ImageExists(const std::string& image);
// What an upload sends, checked (missing, damaged), and the question, naming `ports`.
struct UploadPlan;
int PrepareUpload(const std::string& image, const TransferOptions& options, const std::string& ports, UploadPlan* plan);

// Says why, returns 2.
int Refuse(const std::string& reason);

// Each returns the exit status; the settings are applied already.
int DownloadCommand(std::string image, const TransferOptions& options);
int UploadCommand(const std::string& image, const TransferOptions& options);
// `kestrivane verify IMAGE`: reads the box back and compares it with IMAGE.
int VerifyCommand(const std::string& image, const TransferOptions& options);
