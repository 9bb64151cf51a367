// Signals of the command line: Ctrl-C (and SIGTERM, SIGHUP, SIGQUIT) is the
// dialog's Cancel; a closed standard output, a file over its size limit or a
// resized terminal never end a transfer.
#pragma once

void CatchSignals();
