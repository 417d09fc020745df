#include "ui/code_page.h"

#include <windows.h>

namespace {
constexpr UINT kProgramCodePage = 932;
}

std::wstring Widen932(std::string_view text) {
    if (text.empty()) return {};
    const int length = static_cast<int>(text.size());
    const int size = MultiByteToWideChar(kProgramCodePage, 0, text.data(), length, nullptr, 0);
    std::wstring wide(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(kProgramCodePage, 0, text.data(), length, wide.data(), size);
    return wide;
}

std::string Narrow932(std::wstring_view text) {
    if (text.empty()) return {};
    const int length = static_cast<int>(text.size());
    const int size = WideCharToMultiByte(kProgramCodePage, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(kProgramCodePage, 0, text.data(), length, narrow.data(), size, nullptr, nullptr);
    return narrow;
}
