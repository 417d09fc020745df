// The song commands of the main window: open, drop, the conversion gate, convert, save, close.
#pragma once
#include <windows.h>
#include <shellapi.h>

#include <cstdint>
#include <span>

int OpenSong();
int OpenDroppedSong(HDROP drop);
// The first dropped file's path into `path` (MAX_PATH bytes); the drop is released. 1 on failure.
int TakeDroppedFile(HDROP drop, char* path);
// The song named first on the program's command line, opened as a dropped file would be.
// Nothing happens when the command line names nothing.
int OpenSongAtStart(const char* commandLine);
// Reads and checks the song at `path` (kept in songPath); 0 when it is loaded.
int LoadSong(const char* path);
int CheckBeforeConversion();
// The ConversionResult as a number; every outcome has been shown or logged.
int ConvertSong();
int SaveConvertedSong(const char* path);
int SaveWithDialog();
int SaveUnderSongName();
int CloseSong();
// After a song opened: its summary in the log, and the hints of the dialogs that list tracks.
void ShowSongGlance(std::span<const std::uint8_t> song);

// The bytes a preview plays: the converted song when there is one, else the loaded song;
// empty when neither exists.
std::span<const std::uint8_t> SongToPlay();
