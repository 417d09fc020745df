// The open song: its path, the file's bytes and the converted song made from them.
#pragma once
#include <windows.h>

#include <cstdint>
#include <memory>
#include <span>

// The whole song file as read, followed by one spare byte. No song is loaded while bytes is null.
struct SongBuffer {
    std::unique_ptr<std::uint8_t[]> bytes;
    std::uint32_t length = 0;
};

// The conversion's output; there is a converted song exactly while bytes is present. length is
// the capacity while a conversion runs and the number of bytes produced after it.
struct ConvertedSong {
    std::unique_ptr<std::uint8_t[]> bytes;
    std::uint32_t length = 0;
};

extern SongBuffer songBuffer;
extern ConvertedSong convertedSong;
// The open song's full path; all zero when no song is open. Field 1000 of the main window shows it.
extern char songPath[MAX_PATH];

bool SongLoaded();
bool HasConvertedSong();
void ReleaseSongBuffer();
void ReleaseConvertedSong();

// The open and save dialogs' filter pairs.
inline constexpr char kSongFileFilter[] =
    "スタンダードMIDI(*.mid,*.midi,*.rmi,*.smf)\0*.mid;*.midi;*.rmi;*.smf\0全てのファイル(*.*)\0*.*\0";

// A message box of the song commands, owned by the main window under its title, OK and no icon.
int ShowSongMessage(UINT textId);
