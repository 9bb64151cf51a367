// Seconds on the machine's steady clock: what lengths of time are measured by, where
// no other clock is given.
#pragma once

#include <chrono>

inline double SteadySeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}
