// The Upload and Download commands' file choice: the platform's file dialog, the
// folder kept as LastDir, URT mode, and the transfer dialog that follows.
#pragma once

// Each returns 0 whatever happened; a cancelled file dialog ends the command quietly.
int ChooseUploadFile();
int ChooseDownloadFile();

// True while a transfer dialog opened by either command is open.
bool TransferDialogIsOpen();
