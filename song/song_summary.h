// The song at a glance: which tracks play, with what, over which keys, and how far the key can
// move. One pass over a loaded song, reading it as the conversion reads it (song/song_reader.h),
// so that the two never disagree. Portable: no windows, no string table.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "song/song_reader.h"

inline constexpr int kDrumTrack = 10;

// One track (MIDI channel) that holds at least one channel message.
struct TrackSummary {
    int track = 0;                       // 1..16
    std::uint32_t notes = 0;             // note ons with a velocity above 0
    std::uint8_t lowest = 0;             // the lowest and highest key of those notes; 0 without notes
    std::uint8_t highest = 0;            //
    std::vector<std::uint8_t> programs;  // its program numbers (0..127), in the order they first appear
    std::vector<std::string> names;      // names (meta event 03) of the track chunks that carry its messages,
                                         // as stored, each once
    bool drums = false;                  // track 10
};

// The key shifts that the conversion accepts with no note out of range, lowest..highest. It is
// empty (lowest above highest) when a note's key lies outside 0..127 already.
struct ShiftRange {
    int lowest = 0;
    int highest = 0;
};

struct SongSummary {
    std::uint16_t format = 0;
    std::uint16_t trackChunks = 0;  // as the header counts them
    std::uint16_t division = 0;
    double seconds = 0;                // the time of the last event, through the tempo map
    std::vector<TrackSummary> tracks;  // ascending
    std::optional<ShiftRange> shift;   // none when the song has no note message
    // A damaged song is summarised as far as it reads: why the reading stopped, the byte where it
    // did and the number of track chunks begun by then.
    SongDamage damage = SongDamage::None;
    std::size_t stoppedAt = 0;
    std::uint32_t stoppedInChunk = 0;
};

// Requires a song that passed the header check. Reads nothing outside `song`; allocates nothing
// per event.
SongSummary SummarizeSong(std::span<const std::uint8_t> song);

// A key as a note name, middle C (60) being C4: "C-1" for 0, "G9" for 127, sharps for the black
// keys; "?" for a byte above 127.
std::string NoteName(int key);
