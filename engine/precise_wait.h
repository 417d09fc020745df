// Waits a span of microseconds on the engine's thread, or until an event is set. Where Windows
// offers a high-resolution waitable timer (Windows 10 1803 and later) the wait ends on time
// whatever the system's timer resolution; elsewhere the native delay call, which Windows rounds to
// the timer resolution. Under Wine the delay call is kept to within tens of microseconds while a
// waitable timer ends on its server's millisecond clock, so Wine always gets the delay call. The
// delay call cannot be woken by the event: a wait there ends after at most 2 ms, and the caller,
// having looked for new work, waits again for what is left; its last millisecond is spun out.
#pragma once
#include <windows.h>

#include <cstdint>

class PreciseWait {
public:
    PreciseWait();
    PreciseWait(const PreciseWait&) = delete;
    PreciseWait& operator=(const PreciseWait&) = delete;
    ~PreciseWait();

    void Wait(std::int64_t us, HANDLE wake);
    bool HighResolution() const { return timer_ != nullptr; }

private:
    HANDLE timer_ = nullptr;
};

// Keeps the system from coarsening this process's timers when its windows are minimized or
// covered (Windows 11); harmless where the call is missing or refused.
void KeepTimerResolutionWhenHidden();
