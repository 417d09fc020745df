// The instrument list of the instrument dialog, filled from "Instrmnt.txt" beside the program.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

// Appends the file's names to the list. 0 when the file was read, however many names it gave;
// 1 when it was not, with the reason appended to the list as its one entry.
int LoadInstrumentNames(HWND list);
// The same from a file at `path`.
int LoadInstrumentNamesFrom(HWND list, const char* path);

// The names "Instrmnt.txt" beside the program holds, entry n naming instrument n: 0, or the text
// that says why the file could not be read.
UINT ReadInstrumentNames(std::vector<std::string>& names);
