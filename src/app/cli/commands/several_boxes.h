// Several boxes at once: --port given more than once (or Port= in config.ini listing
// several). The checks and the question run once, here, before any box is touched;
// then one worker process a port (this program again, for that port alone), all at
// once. On a terminal a line a box, redrawn in place, then a line of result a box;
// otherwise each worker's lines behind its port. Ctrl-C goes on to every worker, a
// box that fails does not stop the others. The status: 0 when every box succeeded,
// 1 when any failed, 2 when none could start.
#pragma once

#include <string>
#include <vector>

#include "app/cli/run/before_the_box.h"

int SeveralBoxesCommand(TransferKind kind, const std::string& image, const TransferOptions& options,
                        const std::vector<std::string>& ports, int argc, char** argv);
