// Reads a Standard MIDI File image (formats 0, 1 and 2) into a Song with times in microseconds.
#pragma once
#include "engine/song.h"

#include <cstddef>
#include <cstdint>

namespace lyra {

enum class ReadResult { ok, notASong };

// Formats 0 and 1 merge their tracks by time (at equal times the lower track first); format 2
// plays its tracks one after another. Meta events are not sent; Set Tempo changes the timing of
// metrical divisions and is ignored under a time-code division. A track that breaks off (a data
// byte with no status, a cut-off event or chunk) keeps what came before the break.
ReadResult ReadSong(const std::uint8_t* data, std::size_t size, Song& song);

}  // namespace lyra
