// A song as the sequencer plays it: every message to send, with its time, in sending order.
#pragma once
#include <cstdint>
#include <vector>

namespace lyra {

// How an event's bytes go out. A divided system-exclusive message is an F0 packet without its F7
// followed by continuation packets, the last of which ends in F7.
enum class EventKind : std::uint8_t {
    channel,         // a channel message, status byte first
    sysEx,           // F0 to F7, whole
    sysExStart,      // F0 and the first bytes of a divided message
    sysExPart,       // a continuation packet that does not end the message
    sysExEnd,        // the last continuation packet, ending in F7
    escape,          // bytes sent as they stand (an F7 event outside a divided message)
};

struct SongEvent {
    std::int64_t timeUs;   // from the start of the song
    std::uint32_t offset;  // into Song::bytes
    std::uint32_t size : 28;
    std::uint32_t kind : 4;  // EventKind

    EventKind Kind() const { return static_cast<EventKind>(kind); }
};
static_assert(sizeof(SongEvent) == 16);

struct Song {
    std::vector<std::uint8_t> bytes;  // the messages, back to back
    std::vector<SongEvent> events;    // sorted by time; equal times keep their file order
    std::int64_t lengthUs = 0;        // up to the last end of track

    const std::uint8_t* Message(const SongEvent& event) const { return bytes.data() + event.offset; }
};

}  // namespace lyra
