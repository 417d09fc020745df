// The main window: a modal dialog whose procedure routes every command of the program.
#pragma once
#include <windows.h>
#include <shellapi.h>

// The dialog's creation parameter is the program's command line (may be null); a song it names
// is opened through kOpenStartSongMessage once the window is up.
INT_PTR CALLBACK MainDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
inline constexpr UINT kOpenStartSongMessage = WM_APP + 1;
int InitMainWindow(HWND window);
int CloseMainWindow(HWND window);
int OpenHelp();
int OpenHomePage();

// The product's web page, opened after the user agrees.
inline constexpr char kHomePageAddress[] = "https://kadenzo.example.org/";
