// String-table texts, the program's own folder, and the debugger trace.
#pragma once
#include <windows.h>

// Text `id` of the string table in one shared 256-byte buffer, overwritten by the next call.
// A missing string gives the empty text.
const char* LoadText(HINSTANCE instance, UINT id);

// `buffer` (MAX_PATH bytes) <- the path of `name` in the program's own folder. Returns 0.
int ProgramDirFile(char* buffer, const char* name);

// Formats with the trace formatter and writes the line to the debugger output.
void DebugTrace(const char* format, ...);
