// `kestrivane download IMAGE`: the box's image copied into IMAGE and its section files.
#pragma once

#include <string>

#include "app/cli/options/transfer_options.h"

// The exit status; the settings are applied already.
int DownloadCommand(std::string image, const TransferOptions& options);
