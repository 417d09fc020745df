#include "engine/precise_wait.h"

#include <algorithm>

namespace {

constexpr DWORD kCreateWaitableTimerHighResolution = 0x00000002;
// Under Wine a wait on an object ends when the wineserver gets round to it, which a busy machine
// delays by milliseconds; the delay call sleeps in the process itself.
constexpr std::int64_t kLongestDelayUs = 2000;
// Wine's delay call gives up the processor before it sleeps, which on a busy machine can last a
// millisecond or more; the last stretch before a due time is spun out instead.
constexpr std::int64_t kSpunUs = 1000;

template <typename Proc>
Proc Resolve(const char* module, const char* name) {
    HMODULE handle = GetModuleHandleA(module);
    return handle == nullptr ? nullptr : reinterpret_cast<Proc>(reinterpret_cast<void*>(GetProcAddress(handle, name)));
}

// Sleep() counts whole milliseconds; the native delay call takes 100-nanosecond units.
void Delay(std::int64_t us) {
    using DelayProc = LONG(WINAPI*)(BOOLEAN alertable, LARGE_INTEGER * interval);
    static const DelayProc delay = Resolve<DelayProc>("ntdll.dll", "NtDelayExecution");
    if (delay == nullptr) {
        Sleep(static_cast<DWORD>((us + 999) / 1000));
        return;
    }
    LARGE_INTEGER interval;
    interval.QuadPart = -us * 10;  // negative: relative to now
    delay(FALSE, &interval);
}

void Spin(std::int64_t us) {
    LARGE_INTEGER frequency;
    LARGE_INTEGER start;
    LARGE_INTEGER now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    const LONGLONG ticks = frequency.QuadPart * us / 1000000;
    do {
        YieldProcessor();
        QueryPerformanceCounter(&now);
    } while (now.QuadPart - start.QuadPart < ticks);
}

}  // namespace

PreciseWait::PreciseWait() {
    using CreateProc = HANDLE(WINAPI*)(LPSECURITY_ATTRIBUTES, LPCWSTR, DWORD, DWORD);
    static const CreateProc create = Resolve<CreateProc>("kernel32.dll", "CreateWaitableTimerExW");
    static const bool underWine = Resolve<FARPROC>("ntdll.dll", "wine_get_version") != nullptr;
    if (create != nullptr && !underWine) {
        timer_ = create(nullptr, nullptr, kCreateWaitableTimerHighResolution, TIMER_ALL_ACCESS);
    }
}

PreciseWait::~PreciseWait() {
    if (timer_ != nullptr) CloseHandle(timer_);
}

void PreciseWait::Wait(std::int64_t us, HANDLE wake) {
    if (timer_ == nullptr) {
        // The delay call cannot be woken: a long wait is cut into short ones, after each of which
        // the caller looks for new work and waits again for what is left.
        if (us > kSpunUs) {
            Delay(std::min(us - kSpunUs, kLongestDelayUs));
        } else {
            Spin(us);
        }
        return;
    }
    LARGE_INTEGER due;
    due.QuadPart = -us * 10;
    if (!SetWaitableTimer(timer_, &due, 0, nullptr, nullptr, FALSE)) {
        Delay(us);
        return;
    }
    HANDLE handles[] = {timer_, wake};
    WaitForMultipleObjects(wake != nullptr ? 2 : 1, handles, FALSE, INFINITE);
    CancelWaitableTimer(timer_);
}

void KeepTimerResolutionWhenHidden() {
    using SetInformationProc = BOOL(WINAPI*)(HANDLE, PROCESS_INFORMATION_CLASS, LPVOID, DWORD);
    static const SetInformationProc set = Resolve<SetInformationProc>("kernel32.dll", "SetProcessInformation");
    if (set == nullptr) return;
    PROCESS_POWER_THROTTLING_STATE state{};
    state.Version = PROCESS_POWER_THROTTLING_CURRENT_VERSION;
    state.ControlMask = PROCESS_POWER_THROTTLING_IGNORE_TIMER_RESOLUTION;
    state.StateMask = 0;  // controlled, and off: the timers keep the resolution asked for
    set(GetCurrentProcess(), ProcessPowerThrottling, &state, sizeof state);
}
