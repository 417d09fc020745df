// Commands whose owners are not built yet: they do nothing so far.
#include "playback/preview.h"
#include "song/song_commands.h"

int OpenSong() { return 0; }
int OpenDroppedSong(HDROP drop) {
    DragFinish(drop);
    return 0;
}
int CheckBeforeConversion() { return 1; }
int ConvertSong() { return 0; }
int SaveWithDialog() { return 0; }
int SaveUnderSongName() { return 0; }
int CloseSong() { return 0; }
std::span<const std::uint8_t> SongToPlay() { return {}; }
