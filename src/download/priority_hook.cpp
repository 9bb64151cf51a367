#include "download/priority_hook.h"

namespace {

class NoPriorityChange final : public PriorityHook {
public:
    void RaiseProcessPriority() override {}
    void SetThreadTimeCritical() override {}
    void SetThreadNormal() override {}
};

NoPriorityChange noChange;
PriorityHook* installedHook = &noChange;

}  // namespace

PriorityHook& CurrentPriorityHook() { return *installedHook; }

void SetPriorityHook(PriorityHook* hook) { installedHook = hook ? hook : &noChange; }
