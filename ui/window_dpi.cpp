#include "ui/window_dpi.h"

namespace {

using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);

// Looked up once: user32 stays loaded for the life of the process.
GetDpiForWindowFunction GetDpiForWindowOfSystem() {
    static const auto function = reinterpret_cast<GetDpiForWindowFunction>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
    return function;
}

}  // namespace

int ScreenDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

int WindowDpi(HWND window) {
    if (const GetDpiForWindowFunction function = GetDpiForWindowOfSystem(); function && window) {
        if (const UINT dpi = function(window)) return static_cast<int>(dpi);
    }
    return ScreenDpi();
}
