// The command line's own lines on standard error ("kestrivane: ..."), each one line:
// what it names (file names too) with control bytes escaped.
#pragma once

#include <string>

void Say(const std::string& text);

// Says why the command cannot go on, and returns its status (2: nothing was sent).
int Refuse(const std::string& reason);
