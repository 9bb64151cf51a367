// Several boxes at once: --port given more than once (or Port= in config.ini listing
// several). The checks and the question run once, here, before any box is touched;
// then every box's command runs at once in this program, each on a thread of its own
// with its own session. On a terminal the station's board, then each box's lines once
// and a line of result a box; otherwise each box's lines behind its port. Ctrl-C
// reaches every box; a box that fails does not stop the others. The status: 0 when
// every box succeeded, 1 when any failed, 2 when none could start.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/cli/run/box_job.h"

int SeveralBoxesCommand(TransferKind kind, const std::string& image, const TransferOptions& options,
                        const std::vector<std::string>& ports, const BoxCommand& command);
