// The four settings dialogs, run modally from the main window.
#pragma once
#include <windows.h>

INT_PTR CALLBACK ToneDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK VolumeDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK InstrumentDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK TempoDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
