// Plays a Song against a clock: sends each message when its time has come, keeps the position,
// and moves it. Portable: the clock and the output are handed in, so tests drive the time.
#pragma once
#include "engine/channel_state.h"
#include "engine/midi_messages.h"
#include "engine/midi_sink.h"
#include "engine/smf_reader.h"
#include "engine/song.h"
#include "engine/whole_messages.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace lyra {

inline constexpr std::int64_t kUsPerTenth = 100000;
// The 16-bit position the program passes back on a seek: every song's length fits it.
inline constexpr std::int64_t kLargestPosition = 65535;
// Work one Pump does at most, so that a stop, a seek or a status query never waits long.
inline constexpr int kMessagesPerPump = 64;
inline constexpr int kChaseEventsPerPump = 20000;

// The unit of positions and lengths for a song of `lengthUs`: a tenth of a second while the song
// fits 65535 of them (109 minutes), else the fewest whole tenths that make it fit.
std::int64_t PositionUnitUs(std::int64_t lengthUs);
// A length in that unit, rounded up so that every position reached lies within it.
std::uint32_t LengthInUnits(std::int64_t lengthUs, std::int64_t unitUs);
// Where a seek to `position` (in that unit) goes: at most the song's end.
std::int64_t SeekTargetUs(std::uint32_t position, std::int64_t lengthUs, std::int64_t unitUs);

class Sequencer {
public:
    Sequencer(const Clock& clock, MidiSink& sink) : clock_(clock), sink_(sink) {}
    Sequencer(const Sequencer&) = delete;
    Sequencer& operator=(const Sequencer&) = delete;

    // Stops what plays and takes the song, at position 0.
    void Load(Song song);
    bool HasSong() const { return hasSong_; }

    // Plays from the current position; false without a song. Sends nothing itself: the pumps
    // that follow first leave a clean state, then send the state the song has reached at the
    // position (unless that was turned off), then the song.
    bool Start();
    // Stops, keeping the position, and silences every channel if anything sounded.
    void Stop();
    // Ends the run at once and sends nothing, for an output that can take no more: what the
    // receiver holds is then unknown, so the next start leaves a clean state first.
    void Abandon() noexcept;
    // What the receiver holds is no longer known (a device opened anew, messages dropped).
    void ForgetReceiverState() noexcept { soundSinceSilence_ = true; }
    // Moves to `position` (in the song's unit, at most the length); while playing, the song goes
    // on from there.
    void Seek(std::uint32_t position);
    // Does a bounded share of what is due. Returns the microseconds until something next falls
    // due (0: more is due now), or -1 when nothing plays (the song may have just ended). A sink
    // that finishes messages later is pumped again only once it has finished what it was given.
    std::int64_t Pump();

    // Sends the reset at once; the pumps keep quiet for the reset's pause after it, and a song
    // that plays takes the pause into its clock.
    void SendReset(ResetKind kind);
    void SetStateSentAtStart(bool on) { stateSentAtStart_ = on; }
    bool StateSentAtStart() const { return stateSentAtStart_; }

    bool Playing() const { return phase_ != Phase::stopped; }
    std::uint32_t Position() const;
    std::uint32_t Length() const;
    std::int64_t UnitUs() const { return unitUs_; }
    std::int64_t LengthUs() const { return song_.lengthUs; }
    std::int64_t PositionUs() const;
    // While the song itself plays, the clock's time at its time 0; -1 before (chase, state) and
    // when stopped.
    std::int64_t OriginUs() const { return phase_ == Phase::playing ? startClockUs_ : -1; }

private:
    enum class Phase { stopped, chasing, silencing, replaying, restoring, playing };

    std::int64_t SongTimeNow() const;
    std::int64_t ChaseSome();
    std::int64_t SendSomeState(std::int64_t now);
    std::int64_t ReplaySome();
    std::int64_t PlaySome(std::int64_t now);
    std::int64_t BeginPause(std::int64_t songUs);
    void TakeSinksPause();
    void EndRun() noexcept;
    void SendSilence();

    const Clock& clock_;
    MidiSink& sink_;
    Song song_;
    bool hasSong_ = false;
    Phase phase_ = Phase::stopped;
    bool stateSentAtStart_ = true;
    bool soundSinceSilence_ = true;  // the device's state is unknown until the first silence
    WholeMessages whole_;            // what of the song's events may go out, and when
    std::int64_t unitUs_ = kUsPerTenth;
    std::unique_ptr<EventCursor> events_;  // over song_, while a run lasts
    SongEvent next_;                       // the next event to chase or to send
    bool hasNext_ = false;
    bool chaseOn_ = false;  // this run sends the state at its position
    std::unique_ptr<SongChase> chase_;
    std::unique_ptr<EventCursor> replay_;  // the chase's second walk
    SongEvent replayNext_;
    bool replayHasNext_ = false;
    std::vector<StateMessage> state_;  // the clean state, then the channels' state
    std::size_t stateNext_ = 0;
    std::int64_t positionUs_ = 0;    // where a start begins; kept while stopped
    std::int64_t startClockUs_ = 0;  // the clock's time at song time 0 of this run
    std::int64_t quietUntilUs_ = 0;  // the clock's time at the end of a reset's pause
    bool pauseFromSink_ = false;     // the sink may yet report the last reset later
    std::int64_t pauseSongUs_ = -1;  // the song's time at that reset, while the song played
};

}  // namespace lyra
