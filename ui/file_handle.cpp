#include "ui/file_handle.h"

#include "ui/text_utils.h"

#include <commdlg.h>

HANDLE FileHandle::Open(const char* path, DWORD access, DWORD sharing, DWORD disposition) {
    Close();
    // Write access to a read-only file is refused on every platform, also where the process's
    // rights would let it through (Wine run by root).
    const DWORD attributes = GetFileAttributesA(path);
    if ((access & GENERIC_WRITE) && attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
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
