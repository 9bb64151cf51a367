// The download's priorities on Windows: real-time class for the process (never
// lowered again), time-critical for the receiving thread during each section.
// Installed by the program's entry.
#pragma once

#include "core/priority_hook.h"

PriorityHook& Win32PriorityHook();
