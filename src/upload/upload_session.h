// A whole upload: the opening handshake with the box, then the chosen section files
// (or the one URT file) replayed one after another, and the closing ENQ.
#pragma once

#include <string>

// Whether the upload, before it touches the box, also refuses files whose packets
// would make it stop half way (damaged framing or checksum, a last packet cut short
// by the end of the file). On unless a front end sends such files on purpose (the
// command line's --force); the header is always checked.
extern bool CheckStoredPackets;

// Sends the URT file `chosenPath` (URT mode), or the section files beside it whose
// boxes are ticked. Returns 0 when the upload completed, 1 when it failed or was
// cancelled; failures have been reported, a silent box and a cancellation end quietly.
int RunUpload(const std::string& chosenPath);
