// `kestrivane [--port PATTERN]... station [--log FILE] [--bell] COMMAND ARGS`: a
// workshop's bench. Every port that the patterns match (every USB serial adapter
// without one), looked at once a second, serves box after box with COMMAND
// (download, upload or verify), each port on its own: when a box is done or failed
// its row says so and the port waits for the next box, while the others go on. A
// port that goes away fails its running box and is shown gone; it rejoins when it
// comes back. Waiting for a box has no time limit. Every box is a line in the log.
// Ctrl-C ends the station: running boxes are cancelled, the totals said; the status
// is 0 when no box failed and none was cut short, 1 otherwise.
#pragma once

#include "app/cli/run/station.h"

int StationCommand(StationSetup setup);
