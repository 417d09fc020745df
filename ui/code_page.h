#pragma once
// Conversions between the program's code-page-932 texts and UTF-16. The drawing functions and
// some system calls read narrow text in the system's code page, which need not be 932 even when
// the process's own code page is; every text the program draws or hands over as UTF-16 goes
// through here.
#include <string>
#include <string_view>

std::wstring Widen932(std::string_view text);
std::string Narrow932(std::wstring_view text);
