#include "song/song_state.h"

#include "log/app_globals.h"
#include "ui/messages.h"
#include "ui/window_ref.h"

SongBuffer songBuffer;
ConvertedSong convertedSong;
char songPath[MAX_PATH] = {};

bool SongLoaded() { return songBuffer.bytes != nullptr; }

bool HasConvertedSong() { return convertedSong.bytes != nullptr; }

void ReleaseSongBuffer() {
    songBuffer.bytes.reset();
    songBuffer.length = 0;
}

void ReleaseConvertedSong() {
    convertedSong.bytes.reset();
    convertedSong.length = 0;
}

int ShowSongMessage(UINT textId) {
    return WindowRef(mainWindow.load()).ShowMessage(LoadText(appInstance, textId), MB_OK);
}
