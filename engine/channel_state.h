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

// One message of the state: a copy of the song's system exclusive, or a short message.
struct StateMessage {
    std::uint32_t size = 0;
    std::array<std::uint8_t, 3> own{};
    MidiMessage longBytes;  // system exclusive, when not empty

    const std::uint8_t* Data() const { return longBytes.empty() ? own.data() : longBytes.data(); }
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
    // In sending order: the system-exclusive messages as they came (a divided one only when it
    // was complete); then, channel by channel, bank select and program, the other controllers
    // (volume 100 and pan 64 unless the song set them), the registered and non-registered
    // parameters with their data in the order the song set them, channel pressure and pitch bend.
    std::vector<StateMessage> Messages() const;

private:
    std::vector<StateMessage> sysEx_;
    std::vector<StateMessage> dividedPackets_;  // of a divided message not yet complete
    std::unique_ptr<std::array<ChannelChase, 16>> channels_;
};

// The state of the song's events before `timeUs`.
std::vector<StateMessage> StateMessagesAt(const Song& song, std::int64_t timeUs);

// The bytes of one state message.
MidiMessage StateBytes(const StateMessage& message);

}  // namespace lyra
