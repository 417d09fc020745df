// The main menu's commands drawn with their pictures.
#pragma once
#include <windows.h>

void SetUpMenuImages(HWND window);
void DetachMenuImages(HWND window);
// After the window moved to a screen of another DPI: pictures, margins and sizes of the DPI that
// its WM_DPICHANGED brought (see NoteWindowDpi).
void RescaleMenuImages(HWND window);
