// The DPI a window is shown at. Per-monitor DPI arrived with Windows 8.1 and its functions with
// later versions of Windows 10; they are looked up at run time and the screen's own DPI stands in
// for them.
#pragma once
#include <windows.h>

// The DPI of the primary screen (the system DPI).
int ScreenDpi();
// The DPI of the monitor `window` (or its top-level window) is on: the one its last WM_DPICHANGED
// brought, else what the system says, else the screen's DPI.
int WindowDpi(HWND window);
// Kept for WindowDpi when a top-level window hears WM_DPICHANGED: the DPI the message brings is the
// one the window is now laid out for, also where the system cannot tell it (Windows 8.1 and the
// first Windows 10 lack GetDpiForWindow).
void NoteWindowDpi(HWND window, int dpi);
// Before the window goes.
void ForgetWindowDpi(HWND window);
// Per-monitor v2 (Windows 10 1703 on): the system rescales a dialog that moves to a screen of
// another DPI. Under per-monitor v1 (Windows 8.1, Windows 10 before 1703) nothing is rescaled for us.
bool SystemRescalesDialogs();
