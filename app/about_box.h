// The about box: the product, and the versions of the playback engine and the add-on when present.
#pragma once
#include <windows.h>

INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// Fills the product, engine and add-on lines once, when the box opens. Returns 0.
int FillAboutTexts(HWND dialog);
