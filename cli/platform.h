// What kadenzo-convert needs from the operating system besides the whole-file writer it shares
// with the program (ui/whole_file.h): printing UTF-8 text on the console, and file tests.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Prints UTF-8 text: as it is on Linux, in the console's code page (or as wide text on a
// console window) on Windows.
void PrintUtf8(const std::string& text, bool toStandardError = false);

// A path as given on the command line, as UTF-8 for printing.
std::string PathForPrinting(const std::string& path);

// One code-page-932 character (one byte, or a lead byte and its trail byte) as UTF-8; "" when
// code page 932 has no such character.
std::string Cp932CharToUtf8(std::string_view character);

bool FileExists(const std::string& path);
bool IsFolder(const std::string& path);
// True when both paths name one existing file.
bool SameFile(const std::string& first, const std::string& second);

// The folder part of a path ("" for a bare name) and the file name part, split as the whole-file
// writer splits them (FolderPartLength).
std::string FolderOf(const std::string& path);
std::string NameOf(const std::string& path);
