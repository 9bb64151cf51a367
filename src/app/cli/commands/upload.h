// `kestrivane upload IMAGE`: section files, or one URT file, written into the box.
#pragma once

#include <string>

#include "app/cli/options/transfer_options.h"

// The exit status; the settings are applied already.
int UploadCommand(const std::string& image, const TransferOptions& options);
