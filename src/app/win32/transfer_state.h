// The Windows program's process-wide transfer state, under the names its design
// gives them: CancelFlag, cleared when a transfer dialog opens, set by its Cancel
// button, and read by the session it runs; UrtMode, true when the file chosen for
// the last upload is a URT file; its one COM port; and the priority hook its
// downloads use. The program hands them (with LinkSettings) to its one session.
#pragma once

#include <csignal>

#include "core/priority_hook.h"
#include "link/serial_link.h"

extern volatile std::sig_atomic_t CancelFlag;
extern bool UrtMode;
extern PriorityHook* TransferPriority;  // none: scheduling is left alone

// The program's COM port: each transfer's session talks through it.
SerialBackend& TransferPort();
