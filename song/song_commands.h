// The song commands of the main window: open, drop, the conversion gate, convert, save, close.
#pragma once
#include <windows.h>
#include <shellapi.h>

#include <cstdint>
#include <span>

int OpenSong();
int OpenDroppedSong(HDROP drop);
int CheckBeforeConversion();
int ConvertSong();
int SaveWithDialog();
int SaveUnderSongName();
int CloseSong();

// The bytes a preview plays: the converted song when there is one, else the loaded song;
// empty when neither exists.
std::span<const std::uint8_t> SongToPlay();
