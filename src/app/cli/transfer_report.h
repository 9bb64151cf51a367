// What the command line says after a transfer, on top of the session's own
// messages: which files are complete, incomplete or untouched; why a port could
// not be used; a box that never answered; a refused or damaged packet; an older
// Application Software file left beside a new image.
#pragma once

#include <ctime>
#include <string>

#include "app/cli/upload_plan.h"
#include "display/console/console_display.h"

// Why the port could not be opened, with what to do; empty when it opened.
std::string PortProblem(const std::string& port);

// Reports after a download of `image` that began at `started`; returns the exit
// status (0 done, 1 failed, cancelled or completed after an error, 2 port unusable).
int ReportDownload(const std::string& image, int result, const ConsoleDisplay& display, std::time_t started);

// Reports after an upload; the exit status likewise.
int ReportUpload(const UploadPlan& plan, int result, const ConsoleDisplay& display);
