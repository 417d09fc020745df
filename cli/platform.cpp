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

// A file being written in the target's folder. It is removed when it goes out of scope unless
// it was moved into place.
class TemporaryFile {
public:
    explicit TemporaryFile(const std::string& target);
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    ~TemporaryFile();

    bool Write(const std::vector<std::uint8_t>& bytes);  // the whole content, then closed
    WriteOutcome MoveTo(const std::string& target, bool replace);

private:
    std::string path_;
    bool created_ = false;
    bool placed_ = false;
};

WriteOutcome WriteFileWhole(const std::string& path, const std::vector<std::uint8_t>& bytes, bool replace)
{
    if (!replace && FileExists(path)) return WriteOutcome::AlreadyExists;
    TemporaryFile temporary(path);
    if (!temporary.Write(bytes)) return WriteOutcome::Failed;
    return temporary.MoveTo(path, replace);
}

#ifdef _WIN32

bool FileExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsFolder(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool SameFile(const std::string& first, const std::string& second)
{
    char firstFull[MAX_PATH];
    char secondFull[MAX_PATH];
    if (GetFullPathNameA(first.c_str(), MAX_PATH, firstFull, nullptr) == 0) return false;
    if (GetFullPathNameA(second.c_str(), MAX_PATH, secondFull, nullptr) == 0) return false;
    return FileExists(first) && lstrcmpiA(firstFull, secondFull) == 0;
}

TemporaryFile::TemporaryFile(const std::string& target)
{
    const std::string folder = FolderOf(target).empty() ? std::string(".") : FolderOf(target);
    char path[MAX_PATH + 16];
    created_ = GetTempFileNameA(folder.c_str(), "kdz", 0, path) != 0;
    if (created_) path_ = path;
}

TemporaryFile::~TemporaryFile()
{
    if (created_ && !placed_) DeleteFileA(path_.c_str());
}

bool TemporaryFile::Write(const std::vector<std::uint8_t>& bytes)
{
    if (!created_) return false;
    const HANDLE file = CreateFileA(path_.c_str(), GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool whole = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                       written == bytes.size();
    return CloseHandle(file) && whole;
}

WriteOutcome TemporaryFile::MoveTo(const std::string& target, bool replace)
{
    const DWORD flags = MOVEFILE_WRITE_THROUGH | (replace ? MOVEFILE_REPLACE_EXISTING : 0);
    placed_ = MoveFileExA(path_.c_str(), target.c_str(), flags);
    if (placed_) return WriteOutcome::Written;
    const DWORD error = GetLastError();
    return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS ? WriteOutcome::AlreadyExists
                                                                        : WriteOutcome::Failed;
}

#else

bool FileExists(const std::string& path)
{
    struct stat status;
    return lstat(path.c_str(), &status) == 0;
}

bool IsFolder(const std::string& path)
{
    struct stat status;
    return stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
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

}  // namespace

TemporaryFile::TemporaryFile(const std::string& target)
{
    path_ = FolderOf(target) + "." + NameOf(target) + ".XXXXXX";
    const int descriptor = mkstemp(path_.data());
    created_ = descriptor >= 0;
    if (created_) close(descriptor);
}

TemporaryFile::~TemporaryFile()
{
    if (created_ && !placed_) unlink(path_.c_str());
}

bool TemporaryFile::Write(const std::vector<std::uint8_t>& bytes)
{
    if (!created_) return false;
    const int descriptor = open(path_.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (descriptor < 0) return false;
    const bool whole = fchmod(descriptor, NewFileMode()) == 0 && WriteAll(descriptor, bytes);
    return close(descriptor) == 0 && whole;
}

// Without `replace` a hard link puts the file in place only when the name is free; a file
// system without hard links gets a check and a rename.
WriteOutcome TemporaryFile::MoveTo(const std::string& target, bool replace)
{
    if (replace) {
        placed_ = rename(path_.c_str(), target.c_str()) == 0;
        return placed_ ? WriteOutcome::Written : WriteOutcome::Failed;
    }
    if (link(path_.c_str(), target.c_str()) == 0) return WriteOutcome::Written;  // the destructor unlinks ours
    if (errno == EEXIST || FileExists(target)) return WriteOutcome::AlreadyExists;
    placed_ = rename(path_.c_str(), target.c_str()) == 0;
    return placed_ ? WriteOutcome::Written : WriteOutcome::Failed;
}

#endif
