// While a session runs on behind a transfer dialog that has gone (its close box, or
// Cancel until the session hears of it), the main window says so: its title tells
// that a transfer is running, and its Upload and Download buttons and menu items are
// disabled until the session ends.
#pragma once

void ShowTransferRunning(bool running);
