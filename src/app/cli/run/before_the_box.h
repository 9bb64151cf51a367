// The checks before a box is touched, shared by one box's commands and several
// boxes': names, earlier images, the files an upload sends and its question, the
// port, the trace and the log. Each returns -1 to go on, or the exit status (after
// saying why).
#pragma once

#include <string>

#include "app/cli/image/upload_plan.h"
#include "app/cli/options/transfer_options.h"

// A download's name: not a folder, in a folder that is there, .dat added when it
// has no extension.
int PrepareDownloadName(std::string* image);
// The name with .dat added when it has no extension.
void AddDatExtension(std::string* image);
// An earlier image of that name (index or section files) may be replaced: asked on
// a terminal, else --yes.
int ConfirmReplacing(const std::string& what, const TransferOptions& options);
bool ImageExists(const std::string& image);
// What an upload of the image sends, checked (missing, damaged), and the question,
// naming `ports`.
int PrepareUpload(const StoredImage& image, const TransferOptions& options, const std::string& ports, UploadPlan* plan);

// What every transfer checks last: the port free, the trace and the log writable.
int CheckBeforeTheBox(const TransferOptions& options);
// What an earlier attempt at an image left under its incomplete names goes first,
// and is said.
int ClearEarlierAttempt(const std::string& incomplete);
