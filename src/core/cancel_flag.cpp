#include "core/cancel_flag.h"

volatile std::sig_atomic_t CancelFlag = 0;
