// `kestrivane verify IMAGE`: reads the box back and compares it with IMAGE.
#pragma once

#include <string>

#include "app/cli/run/box_job.h"

// The box's exit status; its end event ends its events.
int VerifyCommand(const std::string& image, const BoxJob& job);
