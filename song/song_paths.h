// Paths of the song commands, worked out on code-page-932 texts. Portable.
#pragma once
#include <cstddef>

// `target` (kPathCapacity bytes) <- the song's folder, then its title, "[trans].", its extension:
// C:\midi\song.mid gives C:\midi\song[trans].mid and C:\midi\song gives C:\midi\song[trans]. .
// The extension is taken from the file name only, so a dot in a folder name never counts.
// False, with `target` empty, when the result would not fit the path limit.
bool TransSongPath(char* target, const char* songPath);

// `path` (kPathCapacity bytes) <- the first argument of a program's command line: a quoted
// argument without its quotes, or the text up to the first blank. False, with `path` empty, when
// there is none or it does not fit the path limit.
bool FirstCommandLineArgument(char* path, const char* commandLine);
