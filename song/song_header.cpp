#include "song/song_header.h"

namespace {

std::uint32_t ReadBig32(const std::uint8_t* bytes) {
    return (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) | (std::uint32_t{bytes[2]} << 8) |
           bytes[3];
}

std::uint16_t ReadBig16(const std::uint8_t* bytes) { return static_cast<std::uint16_t>((bytes[0] << 8) | bytes[1]); }

}  // namespace

bool SongHeaderPasses(const std::uint8_t* bytes, std::size_t length) {
    if (bytes == nullptr || length < kSongHeaderSize) return false;
    const bool isHeaderChunk = bytes[0] == 'M' && bytes[1] == 'T' && bytes[2] == 'h' && bytes[3] == 'd';
    return isHeaderChunk && ReadBig32(bytes + 4) == 6 && ReadBig16(bytes + 8) <= 2 && SongTrackCount(bytes) != 0;
}

SongLoadOutcome CheckLoadedSong(const std::uint8_t* bytes, std::size_t length) {
    return SongHeaderPasses(bytes, length) ? SongLoadOutcome::Loaded : SongLoadOutcome::InvalidFile;
}

int SongLoadOutcomeText(SongLoadOutcome outcome) {
    switch (outcome) {
        case SongLoadOutcome::Loaded: return 0;
        case SongLoadOutcome::CannotOpen: return 13;
        case SongLoadOutcome::InvalidFile: return 15;
        case SongLoadOutcome::NoMemory: return 1;
    }
    return 15;
}

std::uint16_t SongTrackCount(const std::uint8_t* header) { return ReadBig16(header + 10); }

std::uint16_t SongDivision(const std::uint8_t* header) { return ReadBig16(header + 12); }
