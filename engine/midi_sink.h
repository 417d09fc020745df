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
    // Where the sink finishes messages later than they are given to it (a device that reports a
    // long message done): the end of the pause after the last reset, counted from that report, on
    // the clock. 0 when the pause counts from the moment the reset was given.
    virtual std::int64_t QuietUntilUs() const { return 0; }
};

}  // namespace lyra
