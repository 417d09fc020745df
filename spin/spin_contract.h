#pragma once
// What a program and the spin-control library rfk32.dll agree on: the two exports and the messages
// of the control. The program loads the library by name and only knows what is written here.

#include <windows.h>

#include <cstdint>

// Sent to the control.
inline constexpr UINT kSpinSetValueMessage = 0x801;    // wParam: value; lParam: not used
inline constexpr UINT kSpinSetRangeMessage = 0x803;    // wParam: minimum (signed); lParam: maximum
inline constexpr UINT kSpinAttachEditMessage = 0x80D;  // the edit's handle in whichever parameter is not 0

// Sent by the control to its parent: wParam = MAKEWPARAM(code, control id).
inline constexpr UINT kSpinNotifyMessage = 0x800;
inline constexpr WORD kSpinAskValueCode = 10;     // lParam: int32_t* holding the value the step starts from
inline constexpr WORD kSpinSteppedUpCode = 11;    // lParam: the new value
inline constexpr WORD kSpinSteppedDownCode = 12;  // lParam: the new value

inline constexpr UINT kSpinLibraryVersion = 0x20;

// The last two arguments are reserved: callers pass 0, 0.
using CreateRFK32Function = HWND(WINAPI*)(HWND parent, int id, DWORD style, int x, int y, int width, int height,
                                          INT_PTR reserved1, INT_PTR reserved2);
using GetRFK32VersionFunction = UINT(WINAPI*)();
