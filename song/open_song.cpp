// Opening a song (open command, drop, command line), loading and checking it, closing it, and
// the gate before a conversion.
#include "log/app_globals.h"
#include "res/resource.h"
#include "settings/conversion_settings.h"
#include "settings/track_hints.h"
#include "song/song_commands.h"
#include "song/song_header.h"
#include "song/song_paths.h"
#include "song/song_state.h"
#include "ui/file_handle.h"
#include "ui/messages.h"
#include "ui/text_utils.h"
#include "ui/window_ref.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

namespace {

// A conversion adds 256 bytes of room to the song's length, and both lengths are 32-bit.
constexpr ULONGLONG kLargestSong = 0xFFFFFFFFull - 256;
// Reads go in pieces: one read's count must fit the read's own result.
constexpr DWORD kReadPiece = 64u << 20;

// Yes when there is nothing to lose, or the user agrees to lose the converted song. A box that
// could not be shown is no answer.
bool ConfirmDiscardConversion() {
    if (!HasConvertedSong()) return true;
    const int answer = WindowRef(mainWindow.load())
                           .ShowMessage(LoadText(appInstance, IDS_DISCARD_QUESTION), MB_YESNO | MB_ICONINFORMATION);
    return answer == IDYES;
}

// All `length` bytes of the open file; false when a read fails or comes up short.
bool ReadWhole(FileHandle& file, std::uint8_t* bytes, std::uint32_t length) {
    for (std::uint32_t done = 0; done < length;) {
        const DWORD piece = std::min<std::uint32_t>(length - done, kReadPiece);
        if (file.Read(bytes + done, piece) < 0 || file.LastCount() != piece) return false;
        done += piece;
    }
    return true;
}

// `path` (MAX_PATH bytes) <- the file the user picks; false on cancel.
bool ChooseSongFile(char* path) {
    FileDialog dialog(mainWindow.load());
    if (!dialog.ChooseOpen(kSongFileFilter, nullptr)) return false;
    CopyText(path, dialog.FileName());
    return true;
}

// Reads the whole file into `song`; the text that says why not, or 0. The file is closed on
// return, before anything is shown.
UINT ReadSongFile(const char* path, SongBuffer& song) {
    FileHandle file;
    // Read access shared with other readers: the program never writes to a loaded song.
    if (file.OpenForReading(path) == INVALID_HANDLE_VALUE) return IDS_CANNOT_OPEN_FILE;
    const ULONGLONG size = file.FullSize();
    if (size == 0) return IDS_BAD_FILE;
    if (size > kLargestSong) return IDS_OUT_OF_MEMORY;
    const auto length = static_cast<std::uint32_t>(size);
    song.bytes.reset(new (std::nothrow) std::uint8_t[length + 1ull]());
    if (!song.bytes) return IDS_OUT_OF_MEMORY;
    // A short read leaves bytes that were never in the file: nothing is loaded then.
    if (!ReadWhole(file, song.bytes.get(), length)) {
        song.bytes.reset();
        return IDS_CANNOT_OPEN_FILE;
    }
    song.length = length;
    return 0;
}

void LogSongOpened(const char* path) {
    char name[MAX_PATH];
    FileNamePart(name, path);
    char line[512];
    std::snprintf(line, sizeof line, LoadText(appInstance, IDS_SONG_OPENED), name);
    Log(line);
}

// The steps every way of opening shares: the old song goes, the new one is read and shown.
int ReplaceSong(const char* path) {
    WindowRef main(mainWindow.load());
    main.SetItemText(IDC_PATH_FIELD, kEmptyText);
    CloseSong();
    CopyText(songPath, path);
    if (LoadSong(songPath) != 0) return 1;
    main.SetItemText(IDC_PATH_FIELD, songPath);
    return 0;
}

// `fullPath` (MAX_PATH bytes) <- the first argument, a relative path taken from the current
// folder now so that the song's folder is known later.
bool FullPathOfFirstArgument(const char* commandLine, char* fullPath) {
    char argument[MAX_PATH];
    if (!FirstCommandLineArgument(argument, commandLine)) return false;
    const DWORD length = GetFullPathNameA(argument, MAX_PATH, fullPath, nullptr);
    return length != 0 && length < MAX_PATH;
}

bool HasText(const char* text) {
    for (; text && *text; ++text) {
        if (*text != ' ' && *text != '\t') return true;
    }
    return false;
}

}  // namespace

int TakeDroppedFile(HDROP drop, char* path) {
    // A path too long for the buffer would come back cut short, naming another file.
    const UINT needed = DragQueryFileA(drop, 0, nullptr, 0);
    const UINT length = needed < MAX_PATH ? DragQueryFileA(drop, 0, path, MAX_PATH) : 0;
    DragFinish(drop);
    if (length == 0) {
        MessageBoxA(mainWindow.load(), LoadText(appInstance, IDS_DROP_NOT_READ), kProductCaption, MB_ICONERROR);
        return 1;
    }
    return 0;
}

int OpenSong() {
    if (!ConfirmDiscardConversion()) return 1;
    char path[MAX_PATH];
    if (!ChooseSongFile(path)) return 1;
    return ReplaceSong(path);
}

int OpenDroppedSong(HDROP drop) {
    if (!ConfirmDiscardConversion()) {
        DragFinish(drop);
        return 1;
    }
    char path[MAX_PATH];
    if (TakeDroppedFile(drop, path) != 0) return 1;
    if (ReplaceSong(path) != 0) return 1;
    SetForegroundWindow(mainWindow.load());
    return 0;
}

int OpenSongAtStart(const char* commandLine) {
    if (!HasText(commandLine)) return 0;
    char fullPath[MAX_PATH];
    if (!FullPathOfFirstArgument(commandLine, fullPath)) {
        ShowSongMessage(IDS_CANNOT_OPEN_FILE);
        return 1;
    }
    if (ReplaceSong(fullPath) != 0) return 1;
    SetForegroundWindow(mainWindow.load());
    return 0;
}

int LoadSong(const char* path) {
    if (path != songPath) {
        if (TextLength(path) >= MAX_PATH) {
            ShowSongMessage(IDS_CANNOT_OPEN_FILE);
            return 1;
        }
        CopyText(songPath, path);
    }
    SongBuffer loaded;
    if (const UINT failure = ReadSongFile(songPath, loaded); failure != 0) {
        ShowSongMessage(failure);
        return 1;
    }
    if (CheckLoadedSong(loaded.bytes.get(), loaded.length) != SongLoadOutcome::Loaded) {
        ShowSongMessage(IDS_BAD_FILE);
        CloseSong();
        return 1;
    }
    songBuffer = std::move(loaded);
    LogSongOpened(songPath);
    ShowSongGlance({songBuffer.bytes.get(), songBuffer.length});
    return 0;
}

int CloseSong() {
    ReleaseSongBuffer();
    ReleaseConvertedSong();
    ClearSongHints();
    std::memset(songPath, 0, sizeof songPath);
    ResetSettings();
    return 0;
}

int CheckBeforeConversion() {
    WindowRef main(mainWindow.load());
    if (!SongLoaded()) {
        main.ShowMessage(LoadText(appInstance, IDS_NO_SOURCE_SONG), MB_OK | MB_ICONINFORMATION, kProductCaption);
        return 1;
    }
    // Nothing changed since the last conversion or reset: converting again would give the same.
    if (SettingsMatchSnapshot()) return 1;
    if (HasConvertedSong()) {
        const int answer = main.ShowMessage(LoadText(appInstance, IDS_DISCARD_QUESTION), MB_YESNO | MB_ICONINFORMATION,
                                            kProductCaption);
        if (answer != IDYES) return 1;  // also a box that could not be shown
        ReleaseConvertedSong();
    }
    TakeSettingsSnapshot();
    return 0;
}

std::span<const std::uint8_t> SongToPlay() {
    if (HasConvertedSong() && convertedSong.length != 0) return {convertedSong.bytes.get(), convertedSong.length};
    if (SongLoaded()) return {songBuffer.bytes.get(), songBuffer.length};
    return {};
}
