// What a worker process needs of the system: this program's own file, to start it
// again for one port, and an end that follows its parent's. Linux gives both for
// sure (/proc/self/exe, the parent-death signal); elsewhere the program is found by
// the name it was started with, and a worker ends with its parent only when the
// parent passes a signal on (not when it is killed outright).
#pragma once

#include <sys/types.h>

#include <string>

// Remembers how the program was started (main's argv[0]).
void RememberProgramName(const char* argv0);

// The path to start this program again by.
std::string OwnProgram();

// In a worker, just after it was forked from `parent`: from now on it is sent SIGTERM
// when the parent ends; false when the parent has ended already.
bool EndWithParent(pid_t parent);
