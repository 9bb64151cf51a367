#include "app/win32/transfer_state.h"

volatile std::sig_atomic_t CancelFlag = 0;
bool UrtMode = false;
PriorityHook* TransferPriority = nullptr;

SerialBackend& TransferPort() {
    static const std::unique_ptr<SerialBackend> port = MakePlatformSerialBackend();
    return *port;
}
