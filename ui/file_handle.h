// An owned file handle and the common file dialog. The whole-file writer is in ui/whole_file.h.
#pragma once
#include <windows.h>
#include <commdlg.h>

#include "ui/whole_file.h"

class FileHandle {
public:
    FileHandle() = default;
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    ~FileHandle() { Close(); }

    // Read and write access, no sharing; created when missing. INVALID_HANDLE_VALUE on failure.
    HANDLE OpenForWriting(const char* path) { return Open(path, GENERIC_READ | GENERIC_WRITE, 0, OPEN_ALWAYS); }
    // Read and write access, no sharing, so a read-only file or one held open elsewhere fails.
    HANDLE OpenExisting(const char* path) { return Open(path, GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING); }
    // Read access shared with other readers, for a file the program only reads.
    HANDLE OpenForReading(const char* path) { return Open(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING); }
    int Read(void* buffer, DWORD n);
    int Write(const void* data, DWORD n);
    BOOL Truncate() { return SetEndOfFile(handle_); }
    DWORD Size() const { return GetFileSize(handle_, nullptr); }
    // The whole size, for files that may not fit 32 bits; 0 when it cannot be read.
    ULONGLONG FullSize() const {
        LARGE_INTEGER size{};
        return GetFileSizeEx(handle_, &size) ? static_cast<ULONGLONG>(size.QuadPart) : 0;
    }
    BOOL Close();
    DWORD LastCount() const { return count_; }
    static int Exists(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES ? 1 : 0; }

private:
    HANDLE Open(const char* path, DWORD access, DWORD sharing, DWORD disposition);
    bool IsOpen() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }

    HANDLE handle_ = nullptr;
    DWORD count_ = 0;
};

class FileDialog {
public:
    explicit FileDialog(HWND owner);
    FileDialog(const FileDialog&) = delete;
    FileDialog& operator=(const FileDialog&) = delete;

    void SetDefaultExtension(const char* extension) { record_.lpstrDefExt = extension; }
    // Nonzero when the user chose a file; the path is then in FileName().
    BOOL ChooseOpen(const char* filter, char* fileTitle);
    BOOL ChooseSave(const char* filter, char* fileTitle);
    const char* FileName() const { return fileName_; }

private:
    void Prepare(const char* filter, char* fileTitle);

    HWND owner_;
    OPENFILENAMEA record_{};
    char fileName_[MAX_PATH] = {};
};
