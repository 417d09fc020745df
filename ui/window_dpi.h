// The DPI a window is shown at. Per-monitor DPI arrived with Windows 10; older systems lack the
// functions, so they are looked up at run time and the screen's own DPI stands in for them.
#pragma once
#include <windows.h>

// The DPI of the primary screen (the system DPI).
int ScreenDpi();
// The DPI of the monitor `window` is on; the screen's DPI where the system cannot say.
int WindowDpi(HWND window);
