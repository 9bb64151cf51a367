#include "app/cli/machine/own_process.h"

#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

namespace {

std::string programName;

}  // namespace

void RememberProgramName(const char* argv0) {
    char path[PATH_MAX];
    programName = realpath(argv0, path) ? path : argv0;
}

std::string OwnProgram() { return programName; }

bool EndWithParent(pid_t parent) { return getppid() == parent; }
