// The whole-file writer on Windows: a new file beside the target, then MoveFileEx for a new
// target or ReplaceFile for an existing one, with the old file parked under a second name
// beside it until the new one is in place.
#include "ui/whole_file.h"

#include <windows.h>

#include <atomic>

#include "ui/text_utils.h"

namespace {

constexpr unsigned kNameAttempts = 64;

unsigned FirstNameNumber() {
    static std::atomic<unsigned> calls{0};
    return GetTickCount() * 2654435761u ^ GetCurrentProcessId() * 40503u ^ calls.fetch_add(7919u);
}

bool NameTaken(DWORD error) {
    return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS || error == ERROR_ACCESS_DENIED;
}

// A file of ours beside the target, created new and removed when this goes out of scope unless
// it was put in place or must be kept.
class SiblingFile {
public:
    SiblingFile(const char* target, std::size_t folderLength) {
        unsigned number = FirstNameNumber();
        for (unsigned attempt = 0; attempt < kNameAttempts; ++attempt, ++number) {
            if (!SiblingName(path_, sizeof path_, target, folderLength, number)) continue;
            handle_ = CreateFileA(path_, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
            if (handle_ != INVALID_HANDLE_VALUE || !NameTaken(GetLastError())) break;
        }
        created_ = handle_ != INVALID_HANDLE_VALUE;
    }
    SiblingFile(const SiblingFile&) = delete;
    SiblingFile& operator=(const SiblingFile&) = delete;
    ~SiblingFile() {
        Close();
        if (created_ && !kept_) DeleteFileA(path_);
    }

    bool Created() const { return created_; }
    const char* Path() const { return path_; }
    void Keep() { kept_ = true; }
    bool Close() {
        if (handle_ == INVALID_HANDLE_VALUE) return true;
        const bool closed = CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
        return closed;
    }
    // The whole content, then closed.
    bool Write(std::span<const std::string_view> pieces) {
        for (std::string_view piece : pieces) {
            DWORD written = 0;
            const auto size = static_cast<DWORD>(piece.size());
            if (!WriteFile(handle_, piece.data(), size, &written, nullptr) || written != size) return false;
        }
        return Close();
    }

private:
    char path_[MAX_PATH] = {};
    HANDLE handle_ = INVALID_HANDLE_VALUE;
    bool created_ = false;
    bool kept_ = false;
};

// Nobody holds the target open, so it can be replaced now.
bool NobodyHolds(const char* path) {
    const HANDLE probe = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (probe == INVALID_HANDLE_VALUE) return false;
    CloseHandle(probe);
    return true;
}

// ReplaceFile keeps these on Windows; not every system that runs the program does.
void KeepWhatWasSet(const char* path, const WIN32_FILE_ATTRIBUTE_DATA& old) {
    constexpr DWORD kSettable = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED |
                                FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_OFFLINE;
    // A changed file is one to archive again.
    SetFileAttributesA(path, (old.dwFileAttributes & kSettable) | FILE_ATTRIBUTE_ARCHIVE);
    const HANDLE file = CreateFileA(path, FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    SetFileTime(file, &old.ftCreationTime, nullptr, nullptr);
    CloseHandle(file);
}

// Puts the written temporary file in the place of the existing target. The old file waits
// under a name of ours until the new one is in place; if the replace fails after it moved
// there, it is moved back.
bool ReplaceTarget(const char* path, std::size_t folderLength, SiblingFile& temporary,
                   const WIN32_FILE_ATTRIBUTE_DATA& old) {
    SiblingFile parked(path, folderLength);
    if (!parked.Created() || !parked.Close()) return false;
    if (ReplaceFileA(path, temporary.Path(), parked.Path(), 0, nullptr, nullptr)) {
        temporary.Keep();
        KeepWhatWasSet(path, old);
        return true;
    }
    if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES && !MoveFileExA(parked.Path(), path, 0)) {
        parked.Keep();  // the only copy of the old file: never removed
    }
    return false;
}

}  // namespace

std::size_t FolderPartLength(const char* path) { return FolderPrefixLength(path); }

WriteOutcome WriteWholeFile(const char* path, std::span<const std::string_view> pieces, bool replace) {
    const std::size_t length = TextLength(path);
    if (length == 0 || length >= MAX_PATH) return WriteOutcome::Failed;
    const std::size_t folderLength = FolderPartLength(path);
    WIN32_FILE_ATTRIBUTE_DATA old{};
    bool exists = GetFileAttributesExA(path, GetFileExInfoStandard, &old);
    if (exists && !replace) return WriteOutcome::AlreadyExists;
    if (exists && (old.dwFileAttributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
        return WriteOutcome::Failed;
    if (exists && !NobodyHolds(path)) return WriteOutcome::Failed;

    SiblingFile temporary(path, folderLength);
    if (!temporary.Created() || !temporary.Write(pieces)) return WriteOutcome::Failed;
    if (!exists) {
        if (MoveFileExA(temporary.Path(), path, MOVEFILE_WRITE_THROUGH)) {
            temporary.Keep();
            return WriteOutcome::Written;
        }
        if (!NameTaken(GetLastError())) return WriteOutcome::Failed;
        // The target came into being meanwhile.
        if (!replace) return WriteOutcome::AlreadyExists;
        exists = GetFileAttributesExA(path, GetFileExInfoStandard, &old);
        if (!exists || (old.dwFileAttributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
            return WriteOutcome::Failed;
    }
    return ReplaceTarget(path, folderLength, temporary, old) ? WriteOutcome::Written : WriteOutcome::Failed;
}
