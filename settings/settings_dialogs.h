// The four settings dialogs, run modally from the main window.
#pragma once
#include <windows.h>

INT_PTR CALLBACK ToneDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK VolumeDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK InstrumentDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK TempoDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Runs a settings dialog modally over `owner`, as a Unicode dialog: an edit of an ANSI dialog counts
// its limit in bytes on Windows, where a full-width digit typed with an input method takes two, so
// "１２０" would be cut to "１２". A Unicode edit counts characters.
INT_PTR RunSettingsDialog(HINSTANCE instance, int templateId, DLGPROC procedure, HWND owner);
