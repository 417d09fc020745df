// What the sequencer plays against: a clock, and a sink that takes whole MIDI messages.
#pragma once
#include <cstddef>
#include <cstdint>

namespace lyra {

class Clock {
public:
    virtual ~Clock() = default;
    virtual std::int64_t NowUs() const = 0;  // any fixed origin, never going back
};

class MidiSink {
public:
    virtual ~MidiSink() = default;
    // One whole message: a channel, system-common or real-time message, or F0 to F7.
    virtual void Send(const std::uint8_t* bytes, std::size_t size) = 0;
    // A message of the song, or of the state at a position: one that a stop or a seek may drop
    // while it still waits to go out. A clean state or a reset command always goes.
    virtual void SendSong(const std::uint8_t* bytes, std::size_t size) { Send(bytes, size); }
    // True while the sink holds so much not yet sent that a sender able to wait should.
    virtual bool Backlogged() const { return false; }
};

}  // namespace lyra
