// `kestrivane verify IMAGE`: reads the box back and compares it with IMAGE.
#pragma once

#include <string>

#include "app/cli/options/transfer_options.h"

// The exit status; the settings are applied already.
int VerifyCommand(const std::string& image, const TransferOptions& options);
