// While a session runs on behind a transfer dialog closed with its close box, the
// main window says so: its title tells that a transfer is running, and what would
// start another transfer or end the program (Upload, Download, Exit, File > Exit,
// Setup and the close box) is disabled until the session ends. About and Contents
// stay. After Cancel the session ends at its next check, and nothing of this shows.
#pragma once

void ShowTransferRunning(bool running);

// True while that is so.
bool TransferRunsOn();
