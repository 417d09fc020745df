// The song commands of the main window: open, drop, the conversion gate, convert, save, close.
#pragma once
#include <windows.h>
#include <shellapi.h>

int OpenSong();
int OpenDroppedSong(HDROP drop);
int CheckBeforeConversion();
int ConvertSong();
int SaveWithDialog();
int SaveUnderSongName();
int CloseSong();
