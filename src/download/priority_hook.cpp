#include "download/priority_hook.h"

namespace {

PriorityHook* installedHook = nullptr;  // nullptr: the platform's own

}  // namespace

PriorityHook& CurrentPriorityHook() { return installedHook ? *installedHook : PlatformPriorityHook(); }

void SetPriorityHook(PriorityHook* hook) { installedHook = hook; }
