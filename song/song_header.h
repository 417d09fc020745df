// The header check of a loaded song, as a function of the file's bytes. Portable.
#pragma once
#include <cstddef>
#include <cstdint>

inline constexpr std::size_t kSongHeaderSize = 14;

// How loading a song ends. The window side shows: CannotOpen text 13, InvalidFile text 15,
// NoMemory text 1; Loaded logs text 33.
enum class SongLoadOutcome { Loaded, CannotOpen, InvalidFile, NoMemory };

// "MThd", header length 6, format 0..2, a track count other than 0; the division may be anything.
// Never reads beyond `length` bytes.
bool SongHeaderPasses(const std::uint8_t* bytes, std::size_t length);

// The outcome for a file that was read whole: an empty file and a failed header are invalid.
SongLoadOutcome CheckLoadedSong(const std::uint8_t* bytes, std::size_t length);

// The string-table text that reports an outcome (0 for Loaded).
int SongLoadOutcomeText(SongLoadOutcome outcome);

std::uint16_t SongTrackCount(const std::uint8_t* header);
std::uint16_t SongDivision(const std::uint8_t* header);
