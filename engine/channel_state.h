// The state a song has reached at a time on each channel: what a start from the middle of the
// song sends first, so that it sounds as it would have after playing up to there.
#pragma once
#include "engine/song.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace lyra {

using MidiMessage = std::vector<std::uint8_t>;

// One message of the state: a short message, a system exclusive of the song left where it is, or
// a divided one put together. A chase of a song full of system exclusive so costs little beside it.
struct StateMessage {
    std::uint32_t size = 0;  // of the whole message
    std::array<std::uint8_t, 3> own{};
    const std::uint8_t* inPlace = nullptr;  // F0, then size - 1 bytes from here in the song's image
    MidiMessage longBytes;                  // a divided system exclusive, whole

    bool IsSysEx() const { return inPlace != nullptr || !longBytes.empty(); }
};

class ChannelChase;

// Takes the song's events one by one, in order, and gives the state they leave. Each event costs
// the same whatever came before it.
class SongChase {
public:
    SongChase();
    SongChase(SongChase&&) noexcept;
    SongChase& operator=(SongChase&&) noexcept;
    ~SongChase();

    void Take(const SongEvent& event);
    // Hands over what was taken, leaving no system exclusive behind. In sending order: the system-exclusive messages as they came (a divided one only when it
    // was complete); then, channel by channel, bank select and program, the other controllers
    // (volume 100 and pan 64 unless the song set them), the registered and non-registered
    // parameters with their data in the order the song set them, channel pressure and pitch bend.
    std::vector<StateMessage> TakeMessages();

private:
    std::vector<StateMessage> sysEx_;
    MidiMessage divided_;  // a divided message not yet complete, F0 and its packets so far
    std::unique_ptr<std::array<ChannelChase, 16>> channels_;
};

// The state of the song's events before `timeUs`.
std::vector<StateMessage> StateMessagesAt(const Song& song, std::int64_t timeUs);

// The bytes of one state message, into `bytes`.
void StateBytes(const StateMessage& message, MidiMessage& bytes);
MidiMessage StateBytes(const StateMessage& message);

}  // namespace lyra
