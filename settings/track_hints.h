// The open song in the three dialogs that list tracks (tone, volume, instrument): the "トラックN"
// label or check box of a track that plays no note is drawn dimmed, and resting the pointer on it
// shows the track's summary; in the tone dialog the shift edit shows the shift range. Every control
// stays as it is and usable. Without a song the dialogs are left exactly as they are.
#pragma once
#include <windows.h>

#include <array>
#include <cstdint>
#include <string>

#include "settings/conversion_settings.h"

// What the song side tells the dialogs about the open song; texts in code page 932.
struct SongHints {
    std::uint32_t silentTracks = 0;                   // bit k-1: track k plays no note
    std::array<std::string, kTrackCount> trackTexts;  // each track's summary
    std::string shiftText;                            // the shift range
};

// A song opened, or the open song closed.
void SetSongHints(const SongHints& hints);
void ClearSongHints();

// The control naming track k (1..16) in a dialog.
using TrackControl = int (*)(int track);

// Each is one step at the end of its dialog's initialisation. The tone dialog: its two columns
// of track check boxes and the shift edit.
void AddToneHints(HWND dialog, TrackControl toneBox, TrackControl muteBox, int shiftEdit);
// The volume and instrument dialogs: the "トラックN" label just before each track's edit.
void AddTrackLabelHints(HWND dialog, TrackControl edit);
