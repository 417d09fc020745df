// Reads a Standard MIDI File image (formats 0, 1 and 2) and walks its events in sending order, with
// times in microseconds.
#pragma once
#include "engine/song.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace lyra {

enum class ReadResult { ok, notASong };

// Checks the header, finds the tracks and walks them once for the length. Formats 0 and 1 merge
// their tracks by time (at equal times the lower track first); format 2 plays its tracks one after
// another. Meta events are not sent; Set Tempo changes the timing of metrical divisions and is
// ignored under a time-code division. A track that breaks off (a data byte with no status, a
// cut-off event or chunk) keeps what came before the break.
ReadResult ReadSong(std::vector<std::uint8_t> image, Song& song);
ReadResult ReadSong(const std::uint8_t* data, std::size_t size, Song& song);

// Walks a song's events from its start. Each step costs the same whatever came before it (a
// logarithm of the track count); the song must stay where it is while the cursor lives.
class EventCursor {
public:
    explicit EventCursor(const Song& song);
    EventCursor(const EventCursor&) = delete;
    EventCursor& operator=(const EventCursor&) = delete;
    ~EventCursor();

    // The next message; false at the end of the song.
    bool Next(SongEvent& event);
    // The latest time walked over so far, ends of track included.
    std::int64_t EndUs() const;

private:
    struct Walk;
    std::unique_ptr<Walk> walk_;
};

// Every message of a song with its own copy of the bytes: for tests and measurements.
struct OwnedEvent {
    std::int64_t timeUs;
    std::vector<std::uint8_t> bytes;
    EventKind kind;
    std::uint32_t track;
};
std::vector<OwnedEvent> CollectEvents(const Song& song);

}  // namespace lyra
