// A whole download: the index file, the opening handshake with the box and the
// five sections in order, each into its own section file beside the chosen path.
#pragma once

#include <string>

#include "link/session_link.h"

// Returns 0 when the download completed (all five sections, or four and an empty
// Application Software section), 1 when it failed or was cancelled. Failures have
// been reported; a silent box at the handshake and a cancellation end quietly. The
// session's outcome says how it ended (a completion after "Packet length wrong" is
// that failure).
int RunDownload(Session& session, const std::string& chosenPath);
