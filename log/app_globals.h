// Process-wide values of the application shell, and the log every window subsystem writes to.
// They sit in the lowest window layer so that no subsystem reaches up into app/ for them.
#pragma once
#include <windows.h>

#include <atomic>
#include <cstdint>

class LogWindow;

extern HINSTANCE appInstance;
extern HICON appIcon;
// Written by the main dialog procedure only; read by the position timer's thread too.
extern std::atomic<HWND> mainWindow;
extern LogWindow* logWindow;
extern std::int32_t sliderPosition;
// Set while the user operates the position slider; the position timer leaves the slider alone then.
extern std::atomic<bool> sliderDragging;

// The product's caption for message boxes that are not shown through a window's own title.
inline constexpr char kProductCaption[] = "曲替丸";

// Appends a line to the log window when it exists.
void Log(const char* text);
// Appends string-table text `id` to the log.
void LogText(UINT id);
