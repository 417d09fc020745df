// The main menu's commands drawn with their pictures.
#pragma once
#include <windows.h>

void SetUpMenuImages(HWND window);
void DetachMenuImages(HWND window);
