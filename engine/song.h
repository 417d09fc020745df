// A song as the sequencer plays it: every message to send, with its time, in sending order.
#pragma once
#include <cstdint>
#include <vector>

namespace lyra {

struct SongEvent {
    std::int64_t timeUs;   // from the start of the song
    std::uint32_t offset;  // into Song::bytes
    std::uint32_t size;
};

struct Song {
    std::vector<std::uint8_t> bytes;  // the messages, back to back
    std::vector<SongEvent> events;    // sorted by time; equal times keep their file order
    std::int64_t lengthUs = 0;        // up to the last end of track

    const std::uint8_t* Message(const SongEvent& event) const { return bytes.data() + event.offset; }
};

}  // namespace lyra
