#include "ui/window_dpi.h"

namespace {

constexpr char kNotedDpiProperty[] = "KadenzoDpi";

// Looked up once: user32 stays loaded for the life of the process.
template <typename Function>
Function SystemFunction(const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), name)));
}

using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
using GetThreadContextFunction = HANDLE(WINAPI*)();
using ContextsEqualFunction = BOOL(WINAPI*)(HANDLE, HANDLE);

// DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2, a pseudo-handle the headers of older systems lack.
const HANDLE kPerMonitorV2Context = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4));

}  // namespace

int ScreenDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

int WindowDpi(HWND window) {
    if (!window) return ScreenDpi();
    if (HWND topLevel = GetAncestor(window, GA_ROOT)) {
        if (const auto noted = reinterpret_cast<INT_PTR>(GetPropA(topLevel, kNotedDpiProperty))) {
            return static_cast<int>(noted);
        }
    }
    static const auto getDpiForWindow = SystemFunction<GetDpiForWindowFunction>("GetDpiForWindow");
    if (getDpiForWindow) {
        if (const UINT dpi = getDpiForWindow(window)) return static_cast<int>(dpi);
    }
    return ScreenDpi();
}

void NoteWindowDpi(HWND window, int dpi) {
    if (dpi > 0) SetPropA(window, kNotedDpiProperty, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(dpi)));
}

void ForgetWindowDpi(HWND window) { RemovePropA(window, kNotedDpiProperty); }

bool SystemRescalesDialogs() {
    static const bool perMonitorV2 = [] {
        const auto threadContext = SystemFunction<GetThreadContextFunction>("GetThreadDpiAwarenessContext");
        const auto equal = SystemFunction<ContextsEqualFunction>("AreDpiAwarenessContextsEqual");
        return threadContext && equal && equal(threadContext(), kPerMonitorV2Context);
    }();
    return perMonitorV2;
}
