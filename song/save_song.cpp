// Saving the converted song: under a name chosen in the save dialog, or beside the song as
// NAME[trans].EXT. A save never damages what is on disk: see WriteWholeFile.
#include "log/app_globals.h"
#include "res/resource.h"
#include "song/song_commands.h"
#include "song/song_paths.h"
#include "song/song_state.h"
#include "ui/file_handle.h"

#include <string_view>

int SaveConvertedSong(const char* path) {
    if (!HasConvertedSong()) {
        ShowSongMessage(IDS_NO_CONVERTED_DATA);
        return 1;
    }
    const std::string_view bytes(reinterpret_cast<const char*>(convertedSong.bytes.get()), convertedSong.length);
    if (WriteWholeFile(path, {&bytes, 1}) != WriteOutcome::Written) {
        ShowSongMessage(IDS_CANNOT_CREATE_FILE);
        return 1;
    }
    return 0;
}

int SaveWithDialog() {
    if (!HasConvertedSong()) {
        ShowSongMessage(IDS_NO_CONVERTED_DATA);
        return 1;
    }
    FileDialog dialog(mainWindow.load());
    dialog.SetDefaultExtension("mid");
    if (!dialog.ChooseSave(kSongFileFilter, nullptr)) return 1;
    return SaveConvertedSong(dialog.FileName());
}

int SaveUnderSongName() {
    if (!SongLoaded()) {
        ShowSongMessage(IDS_NO_SOURCE_SONG);
        return 1;
    }
    if (!HasConvertedSong()) {
        ShowSongMessage(IDS_NO_CONVERTED_DATA);
        return 1;
    }
    char target[MAX_PATH];
    // A song path near the limit leaves no room for "[trans]": refused like any target that
    // cannot be created.
    if (!TransSongPath(target, songPath)) {
        ShowSongMessage(IDS_CANNOT_CREATE_FILE);
        return 1;
    }
    return SaveConvertedSong(target);
}
