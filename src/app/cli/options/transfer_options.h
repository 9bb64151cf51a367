// What the options of a command that talks to the box ask of its transfer.
#pragma once

#include <array>
#include <string>

#include "link/session.h"
#include "core/section_kind.h"

struct TransferOptions {
    SessionSettings session;  // what each session is told (the port, its settings)
    bool yes = false;      // no question
    bool force = false;    // upload damaged files anyway
    bool quiet = false;    // only failures
    bool verbose = false;  // the settings and what was done to the line
    std::string trace;     // --trace FILE: every byte on the line, as it happens
    bool progressJson = false;  // --progress=json: events as JSON lines instead of the bars
    std::string log;       // --log FILE (or Log= in config.ini): a JSON line per transfer
    bool verify = false;   // --verify: read the box back afterwards and compare
    std::array<bool, SectionCount> sections{true, true, true, true, true};  // asked for
    bool sectionsGiven = false;
};

// What goes, in the same way, into one box's transfer and into several boxes' at once.
enum class TransferKind { Download, Upload, Verify };
