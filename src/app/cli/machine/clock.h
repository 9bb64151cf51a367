// The machine's clocks: the steady one for the lengths of time the command line shows
// and waits by, the time of day for names and records.
#pragma once

#include <chrono>
#include <string>

inline double SteadySeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Now, as strftime's `format` writes it, in UTC or in local time.
std::string TimeOfDay(const char* format, bool utc);
