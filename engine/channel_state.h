// The state a song has reached at a time: what a start from the middle of the song sends first, so
// that the receiver is as it would have been after playing up to there. Only what the receiver's
// state needs goes out, not the whole history: a reset makes everything before it unnecessary, and
// a later write to the same parameter address an earlier one.
#pragma once
#include "engine/midi_sink.h"
#include "engine/song.h"
#include "engine/whole_messages.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

namespace lyra {

using MidiMessage = std::vector<std::uint8_t>;

// A channel message of the state.
struct StateMessage {
    std::uint32_t size = 0;
    std::array<std::uint8_t, 3> own{};
};

class ChannelChase;

// A key for the place a system exclusive writes to: everything before its data, and its length.
struct ParameterKey {
    std::uint64_t head = 0;
    std::uint32_t size = 0;
    bool operator==(const ParameterKey&) const = default;
};
struct ParameterKeyHash {
    std::size_t operator()(const ParameterKey& key) const noexcept { return key.head * 31 + key.size; }
};

// Which of the system-exclusive messages before the target the receiver still needs, one bit a
// message in the order they come, so that a song of hundreds of thousands of them costs little.
class SysExNeeds {
public:
    // The next message, whole; its number is the count of those before it.
    void Add(const std::uint8_t* bytes, std::size_t size);
    bool Needed(std::uint64_t number) const;
    bool Any() const { return anyNeeded_; }

private:
    void Keep(std::uint64_t number, bool keep);

    std::uint64_t count_ = 0;
    std::uint64_t firstNeeded_ = 0;  // the last reset: what came before it is not needed
    bool anyNeeded_ = false;
    std::vector<std::uint64_t> bits_;
    std::unordered_map<ParameterKey, std::uint64_t, ParameterKeyHash> latest_;  // the last write to each place
};

// Takes the song's events one by one, in order, and gives the state they leave. Each event costs
// the same whatever came before it. A chase walks the song twice: once to learn the state, and
// once more from the start to send the system exclusive the state keeps, in the song's order.
class SongChase {
public:
    SongChase();
    SongChase(SongChase&&) noexcept;
    SongChase& operator=(SongChase&&) noexcept;
    ~SongChase();

    // The first walk.
    void Take(const SongEvent& event);
    // Whether the state holds any system exclusive.
    bool HasSysEx() const { return sysEx_.Any(); }
    // The second walk, from the start: sends what of `event` the state keeps.
    struct Replayed {
        int sent = 0;
        bool reset = false;
    };
    Replayed Replay(const SongEvent& event, MidiSink& sink);
    // Channel by channel: bank select and program, the other controllers (volume 100 and pan 64
    // unless the song set them), the registered and non-registered parameters with their data in
    // the order the song set them, channel pressure and pitch bend.
    std::vector<StateMessage> ChannelMessages() const;

private:
    class Taker;
    class Replayer;

    WholeMessages takeWhole_;
    WholeMessages replayWhole_;
    SysExNeeds sysEx_;
    std::uint64_t replayed_ = 0;  // system-exclusive messages met on the second walk
    std::unique_ptr<std::array<ChannelChase, 16>> channels_;
};

// The place a parameter write goes to (a Roland data set, a Yamaha parameter change, a universal
// device control such as master volume), or a key with size 0 for any other message.
ParameterKey ParameterAddress(const std::uint8_t* bytes, std::size_t size);

// Every message of the state of the song's events before `timeUs`, in sending order: the system
// exclusive, then the channels.
std::vector<MidiMessage> StateMessagesAt(const Song& song, std::int64_t timeUs);

MidiMessage StateBytes(const StateMessage& message);

}  // namespace lyra
