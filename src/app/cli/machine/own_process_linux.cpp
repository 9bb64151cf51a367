#include "app/cli/machine/own_process.h"

#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

void RememberProgramName(const char*) {}

std::string OwnProgram() { return "/proc/self/exe"; }

bool EndWithParent(pid_t parent) {
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    return getppid() == parent;  // it may have ended before that was said
}
