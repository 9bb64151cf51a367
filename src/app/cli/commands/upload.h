// `kestrivane upload IMAGE`: section files, or one URT file, written into the box.
#pragma once

#include <string>

#include "app/cli/run/box_job.h"

// The box's exit status; its end event ends its events.
int UploadCommand(const std::string& image, const BoxJob& job);
