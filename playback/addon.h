// The add-on library rfk32.dll that supplies spin controls to the settings dialogs. Bound once at
// start-up when present and new enough; it then stays loaded until the process ends.
#pragma once
#include <windows.h>

#include <cstdint>

// 1 when the add-on is bound; a missing or unusable add-on is logged and never stops start-up.
int BindAddOn();
// Releases the library when one is loaded and logs that it did.
void UnbindAddOn();

// The bound library's version; 0 when none is bound.
unsigned AddOnVersion();
// Whether the dialogs can have spin controls: the library is bound with its CreateRFK32.
bool AddOnOffersSpin();
// A spin control of the add-on, child and visible, at a position in pixels; null when the add-on
// is not bound or the control was not created. The control is the parent's child and goes with it.
HWND CreateAddOnSpin(HWND parent, int id, int x, int y, int width, int height);

// The messages a dialog sends to one spin control.
void SetSpinRange(HWND spin, std::int32_t minimum, std::int32_t maximum);
void SetSpinValue(HWND spin, std::int32_t value, LPARAM detail);
// The edit box the control steps, in whichever parameter the caller puts it; the other is 0.
void AttachSpinEdit(HWND spin, HWND editInWParam, HWND editInLParam);
