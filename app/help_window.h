// The help pages where the help file's viewer cannot show them. Under Wine that viewer has no HTML
// engine and opens a blank window; the same pages, beside the program as HTML, are shown in the
// desktop's browser instead, or, on a desktop without one, in a window of our own that lays them
// out as text.
#pragma once
#include <windows.h>

// Wine answers to its own name in ntdll.
bool RunningUnderWine();

// The pages from `indexPage` on, in the desktop's browser or our viewer; false when neither could.
bool ShowHelpPages(const char* indexPage);

// Our viewer alone: a list of the pages beside the chosen page's text. False when the index cannot
// be read. One viewer at a time: a second call shows the first one again, at the index.
bool ShowHelpViewer(const char* indexPage);

inline constexpr char kHelpViewerClass[] = "KadenzoHelpViewer";
