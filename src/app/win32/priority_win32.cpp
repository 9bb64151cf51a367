#include "app/win32/priority_win32.h"

#include <windows.h>

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

PriorityHook& Win32PriorityHook() {
    static Win32Priority hook;
    return hook;
}
