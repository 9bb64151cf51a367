// A whole upload: the opening handshake with the box, then the chosen section files
// (or the one URT file) replayed one after another, and the closing ENQ.
#pragma once

#include <string>

// Sends the URT file `chosenPath` (URT mode), or the section files beside it whose
// boxes are ticked. Returns 0 when the upload completed, 1 when it failed or was
// cancelled; failures have been reported, a silent box and a cancellation end quietly.
int RunUpload(const std::string& chosenPath);
