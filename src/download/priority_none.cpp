// Platforms where the download leaves scheduling alone.
#include "download/priority_hook.h"

namespace {

class NoPriorityChange final : public PriorityHook {
public:
    void RaiseProcessPriority() override {}
    void SetThreadTimeCritical() override {}
    void SetThreadNormal() override {}
};

}  // namespace

PriorityHook& PlatformPriorityHook() {
    static NoPriorityChange hook;
    return hook;
}
