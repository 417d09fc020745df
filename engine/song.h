// A song as the sequencer plays it: the file itself, walked in place by a cursor per track, so that
// a song costs its own size and little more however many events it holds.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace lyra {

// How an event's bytes go out. A divided system-exclusive message is an F0 packet without its F7
// followed by continuation packets, the last of which ends in F7.
enum class EventKind : std::uint8_t {
    channel,     // a channel message, status byte first
    sysEx,       // F0 to F7, whole
    sysExStart,  // F0 and the first bytes of a divided message
    sysExPart,   // a continuation packet that does not end the message
    sysExEnd,    // the last continuation packet, ending in F7
    escape,      // bytes sent as they stand (an F7 event outside a divided message)
};

struct TrackSpan {
    std::size_t offset;  // of the track's events in Song::image
    std::size_t size;
};

struct Song {
    std::vector<std::uint8_t> image;  // the Standard MIDI File as loaded
    std::uint16_t format = 0;
    std::uint16_t division = 96;
    std::vector<TrackSpan> tracks;
    std::int64_t lengthUs = 0;  // up to the last end of track
};

// One message as an EventCursor gives it; the bytes stay valid until the cursor moves on.
struct SongEvent {
    std::int64_t timeUs = 0;  // from the start of the song
    const std::uint8_t* bytes = nullptr;
    std::uint32_t size = 0;
    EventKind kind = EventKind::channel;
    std::uint32_t track = 0;  // the track chunk it comes from, counted from 0: each has its own divided message
};

}  // namespace lyra
