// `kestrivane download IMAGE`: the box's image copied into IMAGE and its section files.
#pragma once

#include <string>

#include "app/cli/run/box_job.h"

// The box's exit status; its end event ends its events.
int DownloadCommand(std::string image, const BoxJob& job);
