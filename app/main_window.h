// The main window: a modal dialog whose procedure routes every command of the program.
#pragma once
#include <windows.h>
#include <shellapi.h>

INT_PTR CALLBACK MainDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
int InitMainWindow(HWND window);
int CloseMainWindow(HWND window);
// The first dropped file's path into `path` (MAX_PATH bytes); the drop is released. 1 on failure.
int TakeDroppedFile(HDROP drop, char* path);
int OpenHelp();
int OpenHomePage();

// The product's web page, opened after the user agrees.
inline constexpr char kHomePageAddress[] = "https://kadenzo.example.org/";
