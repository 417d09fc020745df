// What each byte of a walked song is, found by a plain reading of the song written apart from
// the conversion walk, so that tests and the fuzz target can check which bytes may change.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

enum class ByteRole : std::uint8_t { Copied, Division, NoteKey, NoteVelocity, PressureKey, Program, KeySignature };

// Roles of bytes 0..length-1 of `song`, or nothing when the song does not read as the walk
// reads it (running status across meta and exclusive events, ended by a chunk header or an End
// of Track; chunks of other types, after the header or an End of Track, skipped whole).
inline std::optional<std::vector<ByteRole>> ByteRoles(const std::uint8_t* song, std::size_t length) {
    if (length < 14) return std::nullopt;
    std::vector<ByteRole> roles(length, ByteRole::Copied);
    roles[12] = roles[13] = ByteRole::Division;
    std::size_t at = 14;
    std::uint8_t status = 0;
    bool betweenChunks = true;
    auto printable = [](std::uint8_t byte) { return byte >= 0x20 && byte <= 0x7E; };
    auto quantity = [&](std::size_t& p) -> std::optional<std::uint32_t> {
        std::uint32_t value = 0;
        for (int i = 0; i < 3 && p < length; ++i) {
            value = value << 7 | (song[p] & 0x7F);
            if (song[p++] < 0x80) return value;
        }
        return std::nullopt;
    };
    while (at < length) {
        const std::uint8_t b = song[at];
        const bool wasBetweenChunks = betweenChunks;
        betweenChunks = false;
        if (length - at >= 8 && b == 'M' && song[at + 1] == 'T' && song[at + 2] == 'r' && song[at + 3] == 'k') {
            at += 8;
            status = 0;
        } else if (wasBetweenChunks && length - at >= 8 && printable(b) && printable(song[at + 1]) &&
                   printable(song[at + 2]) && printable(song[at + 3])) {
            const std::uint32_t size = std::uint32_t{song[at + 4]} << 24 | std::uint32_t{song[at + 5]} << 16 |
                                       std::uint32_t{song[at + 6]} << 8 | song[at + 7];
            if (length - at - 8 < size) return std::nullopt;
            at += 8 + size;
            betweenChunks = true;
            continue;  // no delta time follows
        } else if (b == 0xF0) {
            while (at < length && song[at] != 0xF7) ++at;
            if (at == length) return std::nullopt;
            ++at;
        } else if (b == 0xFF && at + 1 < length && song[at + 1] == 0x2F) {
            at += 2;
            status = 0;
            betweenChunks = true;
        } else if (b == 0xFF) {
            std::size_t data = at + 2;
            const auto size = quantity(data);
            if (!size || data + *size > length) return std::nullopt;
            if (song[at + 1] == 0x59 && *size > 0) roles[data] = ByteRole::KeySignature;
            at = data + *size;
        } else {
            if (b >= 0xF0) return std::nullopt;
            if (b >= 0x80) status = b, ++at;
            if (status == 0) return std::nullopt;
            const int type = status >> 4;
            const std::size_t size = (type == 0xC || type == 0xD) ? 1 : 2;
            if (at + size > length) return std::nullopt;
            if (type == 0x8 || type == 0x9) roles[at] = ByteRole::NoteKey, roles[at + 1] = ByteRole::NoteVelocity;
            if (type == 0xA) roles[at] = ByteRole::PressureKey;
            if (type == 0xC) roles[at] = ByteRole::Program;
            at += size;
        }
        if (!quantity(at)) return std::nullopt;
    }
    return roles;
}

// The first position where `output` differs from `input` at a byte that must be copied, or
// where a changed data byte is not a data byte; nothing when every change is allowed.
inline std::optional<std::size_t> ForbiddenChange(const std::uint8_t* input, const std::uint8_t* output,
                                                  const std::vector<ByteRole>& roles) {
    for (std::size_t i = 0; i < roles.size(); ++i) {
        if (input[i] == output[i]) continue;
        if (roles[i] == ByteRole::Copied) return i;
        const bool dataByte = roles[i] != ByteRole::Division && roles[i] != ByteRole::KeySignature;
        if (dataByte && output[i] > 0x7F) return i;
    }
    return std::nullopt;
}
