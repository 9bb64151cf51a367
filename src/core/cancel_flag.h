// Set by the transfer dialog's Cancel button (or Ctrl-C on the console), cleared
// when a transfer dialog opens, tested by every wait of the sessions.
#pragma once

#include <csignal>

extern volatile std::sig_atomic_t CancelFlag;
