// Commands whose owners are not built yet: they do nothing so far.
#include "playback/addon.h"
#include "playback/preview.h"
#include "settings/settings_dialogs.h"
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

INT_PTR CALLBACK ToneDialogProc(HWND, UINT, WPARAM, LPARAM) { return 0; }
INT_PTR CALLBACK VolumeDialogProc(HWND, UINT, WPARAM, LPARAM) { return 0; }
INT_PTR CALLBACK InstrumentDialogProc(HWND, UINT, WPARAM, LPARAM) { return 0; }
INT_PTR CALLBACK TempoDialogProc(HWND, UINT, WPARAM, LPARAM) { return 0; }


int BindAddOn() { return 0; }
unsigned AddOnVersion() { return 0; }
