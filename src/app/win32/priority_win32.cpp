// The download's priorities on Windows: real-time class for the process (never
// lowered again), time-critical for the receiving thread during each section.
#include <windows.h>

#include "download/priority_hook.h"

namespace {

class Win32Priority final : public PriorityHook {
public:
    void RaiseProcessPriority() override {
        SetPriorityClass(GetCurrentProcess(), REALTIME_PRIORITY_CLASS);
        thread_ = GetCurrentThread();
    }
    void SetThreadTimeCritical() override { SetThreadPriority(thread_, THREAD_PRIORITY_TIME_CRITICAL); }
    void SetThreadNormal() override { SetThreadPriority(thread_, THREAD_PRIORITY_NORMAL); }

private:
    HANDLE thread_ = GetCurrentThread();
};

}  // namespace

PriorityHook& PlatformPriorityHook() {
    static Win32Priority hook;
    return hook;
}
