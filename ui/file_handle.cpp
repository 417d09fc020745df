#include "ui/file_handle.h"

#include "ui/text_utils.h"

#include <commdlg.h>

HANDLE FileHandle::Open(const char* path, DWORD access, DWORD sharing, DWORD disposition) {
    Close();
    // Write access to a read-only file is refused on every platform, also where the process's
    // rights would let it through (Wine run by root).
    const DWORD attributes = GetFileAttributesA(path);
    if ((access & GENERIC_WRITE) && attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & FILE_ATTRIBUTE_READONLY)) {
        SetLastError(ERROR_ACCESS_DENIED);
        handle_ = INVALID_HANDLE_VALUE;
        return handle_;
    }
    handle_ = CreateFileA(path, access, sharing, nullptr, disposition, 0, nullptr);
    return handle_;
}

int FileHandle::Read(void* buffer, DWORD n) {
    count_ = 0;
    if (!ReadFile(handle_, buffer, n, &count_, nullptr)) return -1;
    return static_cast<int>(count_);
}

int FileHandle::Write(const void* data, DWORD n) {
    count_ = 0;
    if (!WriteFile(handle_, data, n, &count_, nullptr)) return -1;
    return static_cast<int>(count_);
}

BOOL FileHandle::Close() {
    if (!IsOpen()) {
        handle_ = nullptr;
        return FALSE;
    }
    const BOOL closed = CloseHandle(handle_);
    handle_ = nullptr;
    return closed;
}

FileDialog::FileDialog(HWND owner) : owner_(owner) {
    // The 76-byte form of the record: without the fields that later systems added.
    record_.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    record_.hwndOwner = owner;
    record_.lpstrFile = fileName_;
    record_.nMaxFile = MAX_PATH;
    record_.nMaxFileTitle = 80;
    record_.Flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
}

void FileDialog::Prepare(const char* filter, char* fileTitle) {
    record_.hwndOwner = owner_;
    record_.lpstrFile = fileName_;
    if (filter) record_.lpstrFilter = filter;
    if (fileTitle) record_.lpstrFileTitle = fileTitle;
}

BOOL FileDialog::ChooseOpen(const char* filter, char* fileTitle) {
    Prepare(filter, fileTitle);
    return GetOpenFileNameA(&record_);
}

BOOL FileDialog::ChooseSave(const char* filter, char* fileTitle) {
    Prepare(filter, fileTitle);
    return GetSaveFileNameA(&record_);
}

namespace {

// Deletes the temporary file unless it was moved into place.
class TemporaryFile {
public:
    explicit TemporaryFile(const char* path) { CopyText(path_, path); }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    ~TemporaryFile() {
        if (!kept_) DeleteFileA(path_);
    }
    const char* Path() const { return path_; }
    void Keep() { kept_ = true; }

private:
    char path_[MAX_PATH];
    bool kept_ = false;
};

// The target must be replaceable: not read-only, and not held open by anyone.
bool TargetReplaceable(const char* path) {
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) return true;
    if (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) return false;
    FileHandle probe;
    return probe.OpenExisting(path) != INVALID_HANDLE_VALUE;
}

}  // namespace

bool WriteWholeFile(const char* path, std::span<const std::string_view> pieces) {
    if (TextLength(path) >= MAX_PATH) return false;
    char directory[MAX_PATH];
    DirectoryPart(directory, path);
    if (TextLength(directory) == TextLength(path)) {
        CopyText(directory, ".");  // no separator: the current folder
    } else if (directory[0] == '\0') {
        CopyText(directory, "\\");  // "\name": the current drive's root
    } else {
        // "C:\name" leaves "C:", which would mean the drive's current folder, not its root.
        EnsureTrailingSeparator(directory);
    }
    char temporaryPath[MAX_PATH];
    if (!GetTempFileNameA(directory, "kdz", 0, temporaryPath)) return false;
    TemporaryFile temporary(temporaryPath);

    FileHandle file;
    if (file.OpenForWriting(temporary.Path()) == INVALID_HANDLE_VALUE) return false;
    for (std::string_view piece : pieces) {
        if (file.Write(piece.data(), static_cast<DWORD>(piece.size())) != static_cast<int>(piece.size())) return false;
    }
    if (!file.Truncate() || !file.Close()) return false;

    if (!TargetReplaceable(path)) return false;
    if (!MoveFileExA(temporary.Path(), path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return false;
    temporary.Keep();
    return true;
}
