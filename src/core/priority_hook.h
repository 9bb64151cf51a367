// The scheduling priority a download asks for: the process at real-time class for
// the rest of its life, the thread at time-critical priority while a section is
// received. The Windows program hands its session the hook that does it; elsewhere
// a session has none and leaves scheduling alone.
#pragma once

class PriorityHook {
public:
    virtual ~PriorityHook() = default;
    // Raises the process's priority class and remembers the calling thread.
    virtual void RaiseProcessPriority() = 0;
    virtual void SetThreadTimeCritical() = 0;
    virtual void SetThreadNormal() = 0;
};
