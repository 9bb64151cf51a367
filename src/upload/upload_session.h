// A whole upload: the opening handshake with the box, then the chosen section files
// (or the one URT file) replayed one after another, and the closing ENQ.
#pragma once

#include <string>

#include "link/session_link.h"

// Sends the URT file `chosenPath` (the session's settings say URT), or the section
// files beside it that its settings name. Before it touches the box it refuses files
// whose packets would make it stop half way unless its settings send them all the
// same (the header is always checked). Returns 0 when the upload completed, 1 when it
// failed or was cancelled; failures have been reported, a silent box and a
// cancellation end quietly. The session's outcome says how it ended.
int RunUpload(Session& session, const std::string& chosenPath);
