#pragma once
// The spin control's window: an up and a down arrow over each other that step a number, tell the
// parent (kSpinNotifyMessage) and show the number in an attached edit box.

#include <windows.h>

// Registers the control's window class for module on first use and creates one control.
HWND CreateSpinControl(HINSTANCE module, HWND parent, int id, DWORD style, int x, int y, int width, int height);

// Called when the library leaves the process, so a later load does not meet a stale class.
void UnregisterSpinClass(HINSTANCE module);
