#include "display/cancel_flag.h"

volatile std::sig_atomic_t CancelFlag = 0;
