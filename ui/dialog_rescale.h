// Dialogs that keep their look when they move to a screen of another scale. Under per-monitor v2
// the dialog manager rescales a dialog itself. Where the system does not (per-monitor v1: Windows
// 8.1, Windows 10 before 1703), the dialog does it: its font, every control (the add-on's spin
// controls too) and its own size, in proportion to the new DPI, measured from the layout it had
// before its first move so that moves back and forth leave no rounding behind.
#pragma once
#include <windows.h>

// Sent to the dialog after a move to a screen of another DPI, once the dialog has been rescaled
// (by the system or by itself), for what it draws or sizes itself. wParam: the new DPI.
inline constexpr UINT kScreenScaleChangedMessage = WM_APP + 0x125;

// Call from WM_INITDIALOG, before the dialog moves: from then on the dialog follows the scale.
void FollowScreenScale(HWND dialog);

// The window's size for a client area of `client`, with its frame, caption and menu as they are.
void FitWindowToClient(HWND window, SIZE client, const POINT* topLeft);
