// The main menu's commands drawn with their pictures.
#pragma once
#include <windows.h>

void SetUpMenuImages(HWND window);
void DetachMenuImages(HWND window);
// After the window moved to a screen of another DPI: pictures, margins and sizes of that DPI.
void RescaleMenuImages(HWND window);
