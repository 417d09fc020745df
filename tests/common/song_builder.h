// Songs for tests and benchmarks, written as bytes. A song reads as a commented hex dump, one
// event per line:
//
//     const Bytes kSmall = Smf(0, 480, {
//         Track({
//             {0x00, 0x90, 0x3C, 0x64},  // note on C4, velocity 100
//             {0x60, 0x80, 0x3C, 0x40},  // 96 ticks later, note off C4
//             {0x00, 0xFF, 0x2F, 0x00},  // end of track
//         }),
//     });
//
// Broken songs are put together from the same pieces: Join, Chunk, ChunkWithLength, Letters.
#pragma once
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

// The pieces one after another.
inline Bytes Join(std::initializer_list<Bytes> pieces) {
    Bytes all;
    for (const Bytes& piece : pieces) all.insert(all.end(), piece.begin(), piece.end());
    return all;
}

// The characters of `text` as bytes: chunk types, signatures cut short.
inline Bytes Letters(std::string_view text) { return Bytes(text.begin(), text.end()); }

inline void PutBigEndian(Bytes& bytes, std::uint32_t value, int size) {
    for (int shift = 8 * (size - 1); shift >= 0; shift -= 8) bytes.push_back(static_cast<std::uint8_t>(value >> shift));
}

// A variable-length quantity: seven bits a byte, the high bit set on all but the last.
inline void PutVarLen(Bytes& bytes, std::uint32_t value) {
    Bytes groups = {static_cast<std::uint8_t>(value & 0x7F)};
    while ((value >>= 7) != 0) groups.insert(groups.begin(), static_cast<std::uint8_t>(0x80 | (value & 0x7F)));
    bytes.insert(bytes.end(), groups.begin(), groups.end());
}

inline Bytes VarLen(std::uint32_t value) {
    Bytes bytes;
    PutVarLen(bytes, value);
    return bytes;
}

// A chunk whose length field says `length`, whatever the body holds.
inline Bytes ChunkWithLength(std::string_view type, std::uint32_t length, const Bytes& body) {
    Bytes chunk = Letters(type);
    PutBigEndian(chunk, length, 4);
    chunk.insert(chunk.end(), body.begin(), body.end());
    return chunk;
}

inline Bytes Chunk(std::string_view type, const Bytes& body) {
    return ChunkWithLength(type, static_cast<std::uint32_t>(body.size()), body);
}

// "MThd" of length 6.
inline Bytes Header(std::uint16_t format, std::uint16_t trackCount, std::uint16_t division) {
    Bytes body;
    PutBigEndian(body, format, 2);
    PutBigEndian(body, trackCount, 2);
    PutBigEndian(body, division, 2);
    return Chunk("MThd", body);
}

// An "MTrk" chunk around the events, one event a piece, or around a body built elsewhere.
inline Bytes Track(std::initializer_list<Bytes> events) { return Chunk("MTrk", Join(events)); }

inline Bytes Track(const Bytes& body) { return Chunk("MTrk", body); }

// A whole song: the header counts the chunks given.
inline Bytes Smf(std::uint16_t format, std::uint16_t division, std::initializer_list<Bytes> tracks) {
    Bytes song = Header(format, static_cast<std::uint16_t>(tracks.size()), division);
    for (const Bytes& track : tracks) song.insert(song.end(), track.begin(), track.end());
    return song;
}

// The RIFF form of a song: "RIFF" and "data" lengths little-endian, as RIFF has them.
inline Bytes Riff(const Bytes& song) {
    auto putLittleEndian = [](Bytes& bytes, std::uint32_t value) {
        for (int shift = 0; shift < 32; shift += 8) bytes.push_back(static_cast<std::uint8_t>(value >> shift));
    };
    Bytes riff = Letters("RIFF");
    putLittleEndian(riff, static_cast<std::uint32_t>(4 + 8 + song.size()));
    const Bytes form = Letters("RMIDdata");
    riff.insert(riff.end(), form.begin(), form.end());
    putLittleEndian(riff, static_cast<std::uint32_t>(song.size()));
    riff.insert(riff.end(), song.begin(), song.end());
    return riff;
}

// The bytes as a string, for what compares or writes strings.
inline std::string AsText(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }
