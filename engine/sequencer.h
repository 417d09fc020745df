// Plays a Song against a clock: sends each message when its time has come, keeps the position,
// and moves it. Portable: the clock and the output are handed in, so tests drive the time.
#pragma once
#include "engine/midi_messages.h"
#include "engine/song.h"

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
    virtual void Send(const std::uint8_t* bytes, std::size_t size) = 0;
};

inline constexpr std::int64_t kUsPerTenth = 100000;

class Sequencer {
public:
    Sequencer(const Clock& clock, MidiSink& sink) : clock_(clock), sink_(sink) {}
    Sequencer(const Sequencer&) = delete;
    Sequencer& operator=(const Sequencer&) = delete;

    // Stops what plays and takes the song, at position 0.
    void Load(Song song);
    bool HasSong() const { return hasSong_; }

    // Plays from the current position; false without a song. A start after position 0 first
    // sends the state the song has reached there (unless that was turned off).
    bool Start();
    // Stops, keeping the position, and silences every channel if anything sounded.
    void Stop();
    // Moves to `tenths` (at most the length); while playing, the song goes on from there.
    void Seek(std::uint32_t tenths);
    // Sends what is due. Returns the microseconds until something next falls due, or -1 when
    // nothing plays (the song may have just ended).
    std::int64_t Pump();

    void SendReset(ResetKind kind);
    void SetStateSentAtStart(bool on) { stateSentAtStart_ = on; }
    bool StateSentAtStart() const { return stateSentAtStart_; }

    bool Playing() const { return playing_; }
    std::uint32_t PositionTenths() const;
    std::uint32_t LengthTenths() const;

private:
    std::int64_t SongTimeNow() const;
    void Send(const std::uint8_t* bytes, std::size_t size);
    void SendSilence();
    void Begin();

    const Clock& clock_;
    MidiSink& sink_;
    Song song_;
    bool hasSong_ = false;
    bool playing_ = false;
    bool stateSentAtStart_ = true;
    bool soundSinceSilence_ = false;
    std::size_t cursor_ = 0;         // next event to send
    std::int64_t positionUs_ = 0;    // where a start begins; kept while stopped
    std::int64_t startClockUs_ = 0;  // the clock's time at song time 0 of this run
};

}  // namespace lyra
