// The checks before a box is touched, shared by one box's commands and several
// boxes': replacing an earlier image, the files an upload sends and its question,
// the port, the trace and the log. Each returns -1 to go on, or the exit status (after
// saying why).
#pragma once

#include <string>

#include "app/cli/image/upload_plan.h"
#include "app/cli/options/transfer_options.h"
#include "app/cli/terminal/say.h"

// An earlier image of that name (index or section files) may be replaced: asked on
// a terminal, else --yes.
int ConfirmReplacing(const std::string& what, const TransferOptions& options, Voice& voice);
// What an upload of the image sends, checked (missing, damaged), and the question,
// naming `ports`.
int PrepareUpload(const StoredImage& image, const TransferOptions& options, const std::string& ports, UploadPlan* plan,
                  Voice& voice);

// What every transfer checks last: the port free, the trace and the log writable.
int CheckBeforeTheBox(const TransferOptions& options, Voice& voice);
