// The section file of the running transfer: at most one is open at a time. The
// session opens and closes it; the receiver appends to it, the sender reads it.
#pragma once

#include <cstdio>

extern std::FILE* CurrentSectionFile;
