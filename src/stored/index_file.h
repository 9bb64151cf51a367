// The index file of a download: under the chosen name itself, the five section
// file paths, one per line, each ended by LF alone.
#pragma once

#include <string>

#include "core/image_sink.h"
#include "core/transfer_event.h"

// What the index file of `chosenPath` holds.
std::string IndexFileText(const std::string& chosenPath);

// Writes the index file through `sink`. Returns 0, or 1 after "Unable to create a
// file" (told to `observer`) when it cannot be made or written whole; `systemError`
// then holds the system's reason.
int WriteIndexFile(const std::string& chosenPath, ImageSink& sink, TransferObserver& observer, int* systemError);
