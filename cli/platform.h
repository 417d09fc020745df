// What kadenzo-convert needs from the operating system: printing UTF-8 text on the console,
// and writing a file whole so that no failure leaves part of it behind.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Prints UTF-8 text: as it is on Linux, in the console's code page (or as wide text on a
// console window) on Windows.
void PrintUtf8(const std::string& text, bool toStandardError = false);

// A path as given on the command line, as UTF-8 for printing.
std::string PathForPrinting(const std::string& path);

enum class WriteOutcome { Written, AlreadyExists, Failed };

// Writes `bytes` to a temporary file in the target's folder and renames it to `path`; an
// existing file is replaced only with `replace`. On failure nothing is left behind.
WriteOutcome WriteFileWhole(const std::string& path, const std::vector<std::uint8_t>& bytes, bool replace);

bool FileExists(const std::string& path);
bool IsFolder(const std::string& path);
// True when both paths name one existing file.
bool SameFile(const std::string& first, const std::string& second);

// The folder part of a path ("" for a bare name) and the file name part, splitting at the last
// separator ("/" and, on Windows, "\" outside two-byte characters).
std::string FolderOf(const std::string& path);
std::string NameOf(const std::string& path);
