// Songs for tests, written as commented hex dumps: one chunk header or one event a line, e.g.
//
//     const Bytes kSong = Smf(0, 480, {Track({
//         {0x00, 0x90, 0x3C, 0x64},  // note on C4, velocity 100
//         {0x00, 0xFF, 0x2F, 0x00},  // end of track
//     })});
//
// Broken files are put together from the same pieces with Join.
#pragma once
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

// The pieces laid end to end.
inline Bytes Join(std::initializer_list<Bytes> pieces) {
    Bytes joined;
    for (const Bytes& piece : pieces) joined.insert(joined.end(), piece.begin(), piece.end());
    return joined;
}

// A track's events, given one a line.
inline Bytes Track(std::initializer_list<Bytes> events) { return Join(events); }

inline Bytes BigEndian16(std::uint16_t value) {
    return {static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)};
}

inline Bytes BigEndian32(std::uint32_t value) {
    return {static_cast<std::uint8_t>(value >> 24), static_cast<std::uint8_t>(value >> 16),
            static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)};
}

// "MThd" of length 6 with format, track count and division.
inline Bytes SongHeader(std::uint16_t trackCount = 1, std::uint16_t division = 480, std::uint16_t format = 1) {
    return Join(
        {{'M', 'T', 'h', 'd'}, BigEndian32(6), BigEndian16(format), BigEndian16(trackCount), BigEndian16(division)});
}

// "MTrk" around a track's events, its length counted.
inline Bytes TrackChunk(const Bytes& events) {
    return Join({{'M', 'T', 'r', 'k'}, BigEndian32(static_cast<std::uint32_t>(events.size())), events});
}

// A whole file: the header, then one "MTrk" around each track's events.
inline Bytes Smf(std::uint16_t format, std::uint16_t division, std::initializer_list<Bytes> tracks) {
    Bytes song = SongHeader(static_cast<std::uint16_t>(tracks.size()), division, format);
    for (const Bytes& events : tracks) {
        const Bytes chunk = TrackChunk(events);
        song.insert(song.end(), chunk.begin(), chunk.end());
    }
    return song;
}

// A format-1 file of one track.
inline Bytes OneTrackSong(const Bytes& events, std::uint16_t division = 480) { return Smf(1, division, {events}); }

// The bytes as a string, for tests that hold files as strings.
inline std::string AsText(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }
