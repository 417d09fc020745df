#include "cli/platform.h"

#include <cstdio>

#ifdef _WIN32
#include <windows.h>

#include "ui/text_utils.h"
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

std::size_t LastSeparator(const std::string& path)
{
#ifdef _WIN32
    std::size_t last = std::string::npos;
    for (std::size_t i = 0; i < path.size(); ++i) {
        const unsigned char byte = static_cast<unsigned char>(path[i]);
        if (byte == '\\' || byte == '/') last = i;
        if (IsLeadByte932(byte) && i + 1 < path.size()) ++i;  // its second byte is never a separator
    }
    return last;
#else
    return path.rfind('/');
#endif
}

#ifdef _WIN32
std::wstring Widen(const std::string& text, unsigned codePage)
{
    const int size = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(size, L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wide.data(), size);
    return wide;
}

std::string Narrow(const std::wstring& wide, unsigned codePage)
{
    const int size = WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string text(size, '\0');
    WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), text.data(), size, nullptr,
                        nullptr);
    return text;
}
#endif

}  // namespace

void PrintUtf8(const std::string& text, bool toStandardError)
{
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

std::string PathForPrinting(const std::string& path)
{
#ifdef _WIN32
    return Narrow(Widen(path, CP_ACP), CP_UTF8);
#else
    return path;
#endif
}

std::string FolderOf(const std::string& path)
{
    const std::size_t separator = LastSeparator(path);
    return separator == std::string::npos ? std::string() : path.substr(0, separator + 1);
}

std::string NameOf(const std::string& path)
{
    const std::size_t separator = LastSeparator(path);
    return separator == std::string::npos ? path : path.substr(separator + 1);
}

#ifdef _WIN32

bool FileExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool SameFile(const std::string& first, const std::string& second)
{
    char firstFull[MAX_PATH];
    char secondFull[MAX_PATH];
    if (GetFullPathNameA(first.c_str(), MAX_PATH, firstFull, nullptr) == 0) return false;
    if (GetFullPathNameA(second.c_str(), MAX_PATH, secondFull, nullptr) == 0) return false;
    return FileExists(first) && lstrcmpiA(firstFull, secondFull) == 0;
}

WriteOutcome WriteFileWhole(const std::string& path, const std::vector<std::uint8_t>& bytes, bool replace)
{
    if (!replace && FileExists(path)) return WriteOutcome::AlreadyExists;
    const std::string folder = FolderOf(path).empty() ? std::string(".") : FolderOf(path);
    char temporary[MAX_PATH + 16];
    if (GetTempFileNameA(folder.c_str(), "kdz", 0, temporary) == 0) return WriteOutcome::Failed;
    std::FILE* file = std::fopen(temporary, "wb");
    bool written = file != nullptr && std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (file != nullptr) written = std::fclose(file) == 0 && written;
    const DWORD flags = MOVEFILE_WRITE_THROUGH | (replace ? MOVEFILE_REPLACE_EXISTING : 0);
    if (written && MoveFileExA(temporary, path.c_str(), flags)) return WriteOutcome::Written;
    const bool existed = GetLastError() == ERROR_ALREADY_EXISTS || GetLastError() == ERROR_FILE_EXISTS;
    DeleteFileA(temporary);
    return written && existed ? WriteOutcome::AlreadyExists : WriteOutcome::Failed;
}

#else

bool FileExists(const std::string& path)
{
    struct stat status;
    return lstat(path.c_str(), &status) == 0;
}

bool SameFile(const std::string& first, const std::string& second)
{
    struct stat firstStatus;
    struct stat secondStatus;
    return stat(first.c_str(), &firstStatus) == 0 && stat(second.c_str(), &secondStatus) == 0 &&
           firstStatus.st_dev == secondStatus.st_dev && firstStatus.st_ino == secondStatus.st_ino;
}

namespace {

mode_t NewFileMode()
{
    static const mode_t mode = [] {
        const mode_t mask = umask(0);
        umask(mask);
        return static_cast<mode_t>(0666 & ~mask);
    }();
    return mode;
}

bool WriteAll(int descriptor, const std::vector<std::uint8_t>& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t count = write(descriptor, bytes.data() + done, bytes.size() - done);
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) return false;
        done += static_cast<std::size_t>(count);
    }
    return true;
}

// Moves the finished temporary file into place; without `replace` an existing file stays.
WriteOutcome PutInPlace(const std::string& temporary, const std::string& path, bool replace)
{
    if (replace) return rename(temporary.c_str(), path.c_str()) == 0 ? WriteOutcome::Written : WriteOutcome::Failed;
    if (link(temporary.c_str(), path.c_str()) == 0) {
        unlink(temporary.c_str());
        return WriteOutcome::Written;
    }
    if (errno == EEXIST) return WriteOutcome::AlreadyExists;
    // A file system without hard links: check, then rename.
    if (FileExists(path)) return WriteOutcome::AlreadyExists;
    return rename(temporary.c_str(), path.c_str()) == 0 ? WriteOutcome::Written : WriteOutcome::Failed;
}

}  // namespace

WriteOutcome WriteFileWhole(const std::string& path, const std::vector<std::uint8_t>& bytes, bool replace)
{
    if (!replace && FileExists(path)) return WriteOutcome::AlreadyExists;
    std::string temporary = FolderOf(path) + "." + NameOf(path) + ".XXXXXX";
    const int descriptor = mkstemp(temporary.data());
    if (descriptor < 0) return WriteOutcome::Failed;
    bool written = fchmod(descriptor, NewFileMode()) == 0 && WriteAll(descriptor, bytes);
    written = close(descriptor) == 0 && written;
    const WriteOutcome outcome = written ? PutInPlace(temporary, path, replace) : WriteOutcome::Failed;
    if (outcome != WriteOutcome::Written) unlink(temporary.c_str());
    return outcome;
}

#endif
