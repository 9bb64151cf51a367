// The machine's clocks: the steady one for the lengths of time the command line shows
// and waits by, the time of day for names and records.
#pragma once

#include <string>

#include "core/steady_seconds.h"

// Now, as strftime's `format` writes it, in UTC or in local time.
std::string TimeOfDay(const char* format, bool utc);
