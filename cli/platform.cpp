#include "cli/platform.h"

#include <cstdio>

#include "ui/whole_file.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#include <sys/stat.h>
#endif

namespace {

#ifdef _WIN32
std::wstring Widen(const std::string& text, unsigned codePage) {
    const int size = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(size, L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wide.data(), size);
    return wide;
}

std::string Narrow(const std::wstring& wide, unsigned codePage) {
    const int size =
        WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string text(size, '\0');
    WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), text.data(), size, nullptr, nullptr);
    return text;
}
#endif

}  // namespace

void PrintUtf8(const std::string& text, bool toStandardError) {
#ifdef _WIN32
    const HANDLE handle = GetStdHandle(toStandardError ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
    const std::wstring wide = Widen(text, CP_UTF8);
    DWORD mode = 0;
    if (GetConsoleMode(handle, &mode)) {
        DWORD written = 0;
        WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
        return;
    }
    const std::string local = Narrow(wide, GetConsoleOutputCP());
    std::fwrite(local.data(), 1, local.size(), toStandardError ? stderr : stdout);
    std::fflush(toStandardError ? stderr : stdout);
#else
    std::FILE* stream = toStandardError ? stderr : stdout;
    std::fwrite(text.data(), 1, text.size(), stream);
    std::fflush(stream);
#endif
}

std::string PathForPrinting(const std::string& path) {
#ifdef _WIN32
    return Narrow(Widen(path, 932), CP_UTF8);  // paths are code-page-932 bytes, as the manifest makes them
#else
    return path;
#endif
}

#ifdef _WIN32
std::string Cp932CharToUtf8(std::string_view character) {
    wchar_t wide[2];
    const int count =
        MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, character.data(), static_cast<int>(character.size()), wide, 2);
    if (count <= 0) return "";
    return Narrow(std::wstring(wide, count), CP_UTF8);
}
#else
std::string Cp932CharToUtf8(std::string_view character) {
    const iconv_t converter = iconv_open("UTF-8", "CP932");
    if (converter == reinterpret_cast<iconv_t>(-1)) return "";
    std::string input(character);
    char output[8];
    char* in = input.data();
    char* out = output;
    std::size_t inLeft = input.size();
    std::size_t outLeft = sizeof output;
    const bool converted =
        iconv(converter, &in, &inLeft, &out, &outLeft) != static_cast<std::size_t>(-1) && inLeft == 0;
    iconv_close(converter);
    return converted ? std::string(output, out) : "";
}
#endif

std::string FolderOf(const std::string& path) { return path.substr(0, FolderPartLength(path.c_str())); }

std::string NameOf(const std::string& path) { return path.substr(FolderPartLength(path.c_str())); }

#ifdef _WIN32

bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool IsFolder(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool SameFile(const std::string& first, const std::string& second) {
    char firstFull[MAX_PATH];
    char secondFull[MAX_PATH];
    if (GetFullPathNameA(first.c_str(), MAX_PATH, firstFull, nullptr) == 0) return false;
    if (GetFullPathNameA(second.c_str(), MAX_PATH, secondFull, nullptr) == 0) return false;
    return FileExists(first) && lstrcmpiA(firstFull, secondFull) == 0;
}

#else

bool FileExists(const std::string& path) {
    struct stat status;
    return lstat(path.c_str(), &status) == 0;
}

bool IsFolder(const std::string& path) {
    struct stat status;
    return stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

bool SameFile(const std::string& first, const std::string& second) {
    struct stat firstStatus;
    struct stat secondStatus;
    return stat(first.c_str(), &firstStatus) == 0 && stat(second.c_str(), &secondStatus) == 0 &&
           firstStatus.st_dev == secondStatus.st_dev && firstStatus.st_ino == secondStatus.st_ino;
}

#endif
