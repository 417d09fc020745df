#include "engine/channel_state.h"

#include "engine/midi_messages.h"
#include "engine/smf_reader.h"

namespace lyra {

namespace {

constexpr int kNone = -1;
constexpr int kDefaultVolume = 100;
constexpr int kDefaultPan = 64;
constexpr std::uint8_t kNoData = 0xFF;
// Places whose writes are remembered; beyond them, every write to a new place is kept.
constexpr std::size_t kLargestPlaceIndex = 1u << 16;

enum Controller : std::uint8_t {
    bankSelect = 0,
    dataEntry = 6,
    volume = 7,
    pan = 10,
    bankSelectFine = 32,
    dataEntryFine = 38,
    dataIncrement = 96,
    dataDecrement = 97,
    nrpnFine = 98,
    nrpnCoarse = 99,
    rpnFine = 100,
    rpnCoarse = 101,
    resetAllControllers = 121,
    firstModeMessage = 120,
};

bool IsParameterController(int number) {
    return number == dataEntry || number == dataEntryFine || (number >= dataIncrement && number <= rpnCoarse);
}

StateMessage Short(std::uint8_t status, int first, int second, bool twoDataBytes = true) {
    StateMessage message;
    message.size = twoDataBytes ? 3 : 2;
    message.own = {status, static_cast<std::uint8_t>(first), static_cast<std::uint8_t>(second)};
    return message;
}

// A registered or non-registered parameter: bit 14 set for a registered one, then its 14-bit number.
using ParameterNumber = std::uint16_t;
constexpr ParameterNumber kRegistered = 0x4000;

ParameterNumber NumberOf(bool registered, int coarse, int fine) {
    return static_cast<ParameterNumber>((registered ? kRegistered : 0) | (coarse << 7) | fine);
}

// The data written to one parameter.
struct ParameterValue {
    ParameterNumber number = 0;
    std::uint8_t dataCoarse = kNoData;
    std::uint8_t dataFine = kNoData;
};

}  // namespace

class ChannelChase {
public:
    ChannelChase() { controllers_.fill(kNone); }

    void Apply(std::uint8_t kind, std::uint8_t first, std::uint8_t second) {
        if (kind == 0xC0) program_ = first;
        if (kind == 0xD0) pressure_ = first;
        if (kind == 0xE0) pitchBend_ = first | (second << 7);
        if (kind == 0xB0) ApplyController(first, second);
    }

    // What a reset leaves: nothing the song set. The parameter places stay allocated for reuse.
    void Reset() {
        controllers_.fill(kNone);
        program_ = pressure_ = pitchBend_ = kNone;
        selectionMade_ = false;
        for (const ParameterValue& parameter : parameters_) (*places_)[parameter.number] = 0;
        parameters_.clear();
    }

    void AppendMessages(std::uint8_t channel, std::vector<StateMessage>& out) const {
        const auto control = static_cast<std::uint8_t>(0xB0 | channel);
        auto controller = [&](int number, int value) { out.push_back(Short(control, number, value)); };
        auto select = [&](ParameterNumber number) {
            bool registered = (number & kRegistered) != 0;
            controller(registered ? rpnCoarse : nrpnCoarse, (number >> 7) & 0x7F);
            controller(registered ? rpnFine : nrpnFine, number & 0x7F);
        };
        if (controllers_[bankSelect] != kNone) controller(bankSelect, controllers_[bankSelect]);
        if (controllers_[bankSelectFine] != kNone) controller(bankSelectFine, controllers_[bankSelectFine]);
        if (program_ != kNone) out.push_back(Short(static_cast<std::uint8_t>(0xC0 | channel), program_, 0, false));
        for (int number = 0; number < firstModeMessage; ++number) {
            if (number == bankSelect || number == bankSelectFine || IsParameterController(number)) continue;
            int value = controllers_[number];
            if (value == kNone && number == volume) value = kDefaultVolume;
            if (value == kNone && number == pan) value = kDefaultPan;
            if (value != kNone) controller(number, value);
        }
        for (const ParameterValue& parameter : parameters_) {
            select(parameter.number);
            if (parameter.dataCoarse != kNoData) controller(dataEntry, parameter.dataCoarse);
            if (parameter.dataFine != kNoData) controller(dataEntryFine, parameter.dataFine);
        }
        // Leave the parameter selected that the song had selected (often the null parameter).
        if (selectionMade_ && !parameters_.empty()) select(selection_);
        if (pressure_ != kNone) out.push_back(Short(static_cast<std::uint8_t>(0xD0 | channel), pressure_, 0, false));
        if (pitchBend_ != kNone) {
            out.push_back(Short(static_cast<std::uint8_t>(0xE0 | channel), pitchBend_ & 0x7F, pitchBend_ >> 7));
        }
    }

private:
    void ApplyController(int number, int value) {
        bool registered = number == rpnCoarse || number == rpnFine;
        if (number == resetAllControllers) {
            ForgetResettableControllers();
        } else if (number == rpnCoarse || number == nrpnCoarse) {
            selection_ = NumberOf(registered, value, selection_ & 0x7F);
            selectionMade_ = true;
        } else if (number == rpnFine || number == nrpnFine) {
            selection_ = NumberOf(registered, (selection_ >> 7) & 0x7F, value);
            selectionMade_ = true;
        } else if (number == dataEntry || number == dataEntryFine) {
            WriteParameter(number == dataEntry, value);
        } else if (number < firstModeMessage && !IsParameterController(number)) {
            controllers_[number] = value;
        }
    }

    // What Reset All Controllers leaves alone: bank, volume, pan and the effect depths.
    void ForgetResettableControllers() {
        for (int number = 0; number < firstModeMessage; ++number) {
            bool kept = number == bankSelect || number == bankSelectFine || number == volume || number == pan ||
                        (number >= 91 && number <= 95);
            if (!kept) controllers_[number] = kNone;
        }
        pitchBend_ = kNone;
        pressure_ = kNone;
    }

    // One look-up per data entry, so a song full of parameter changes costs no more per event;
    // four bytes a parameter however many the song writes.
    void WriteParameter(bool coarseData, int value) {
        if (!selectionMade_ || selection_ == NumberOf(true, 127, 127)) return;
        if (!places_) places_ = std::make_unique<std::array<std::uint32_t, 2 * kRegistered>>();
        std::uint32_t& place = (*places_)[selection_];
        if (place == 0) {
            parameters_.push_back({selection_});
            place = static_cast<std::uint32_t>(parameters_.size());
        }
        ParameterValue& target = parameters_[place - 1];
        (coarseData ? target.dataCoarse : target.dataFine) = static_cast<std::uint8_t>(value);
    }

    std::array<int, firstModeMessage> controllers_{};
    int program_ = kNone;
    int pressure_ = kNone;
    int pitchBend_ = kNone;
    ParameterNumber selection_ = 0;
    bool selectionMade_ = false;
    std::vector<ParameterValue> parameters_;  // in the order the song first wrote them
    // Each parameter's place in `parameters_`, plus 1; made at the first data entry.
    std::unique_ptr<std::array<std::uint32_t, 2 * kRegistered>> places_;
};

ParameterKey ParameterAddress(const std::uint8_t* bytes, std::size_t size) {
    std::size_t head = 0;
    if (size >= 11 && bytes[1] == 0x41 && bytes[3] != 0x00 && bytes[4] == 0x12) {
        head = 8;  // Roland data set: F0 41 device model 12 | three address bytes | data, checksum, F7
    } else if (size >= 9 && bytes[1] == 0x43 && (bytes[2] & 0xF0) == 0x10) {
        head = 7;  // Yamaha parameter change: F0 43 1n model | three address bytes | data, F7
    } else if (size >= 7 && bytes[1] == 0x7F && bytes[3] == 0x04 && bytes[4] >= 0x01 && bytes[4] <= 0x04) {
        head = 5;  // master volume, balance, fine and coarse tuning: F0 7F device 04 item | data, F7
    }
    ParameterKey key;
    if (head == 0) return key;
    for (std::size_t i = 1; i < head; ++i) key.head = (key.head << 8) | bytes[i];
    key.size = static_cast<std::uint32_t>(size);
    return key;
}

void SysExNeeds::Add(const std::uint8_t* bytes, std::size_t size) {
    const std::uint64_t number = count_++;
    if (number / 64 >= bits_.size()) bits_.push_back(0);
    anyNeeded_ = true;
    Keep(number, true);
    if (IsResetMessage(bytes, size)) {
        firstNeeded_ = number;
        if (!latest_.empty()) latest_ = {};
        return;
    }
    ParameterKey key = ParameterAddress(bytes, size);
    if (key.size == 0) return;
    auto found = latest_.find(key);
    if (found != latest_.end()) {
        Keep(found->second, false);
        found->second = number;
    } else if (latest_.size() < kLargestPlaceIndex) {
        latest_.emplace(key, number);
    }
}

bool SysExNeeds::Needed(std::uint64_t number) const {
    return number >= firstNeeded_ && number / 64 < bits_.size() && (bits_[number / 64] >> (number % 64) & 1) != 0;
}

void SysExNeeds::Keep(std::uint64_t number, bool keep) {
    const std::uint64_t bit = std::uint64_t{1} << (number % 64);
    bits_[number / 64] = keep ? bits_[number / 64] | bit : bits_[number / 64] & ~bit;
}

// The first walk's view of the messages the song's events hold.
class SongChase::Taker final : public MidiSink {
public:
    explicit Taker(SongChase& chase) : chase_(chase) {}
    void Send(const std::uint8_t* bytes, std::size_t size) override {
        if (bytes[0] == 0xF0) {
            chase_.sysEx_.Add(bytes, size);
            // A reset puts every channel back to its defaults: what the song set before it is gone.
            if (IsResetMessage(bytes, size)) {
                for (ChannelChase& channel : *chase_.channels_) channel.Reset();
            }
        } else if (bytes[0] < 0xF0 && size >= 2) {
            (*chase_.channels_)[bytes[0] & 0x0F].Apply(bytes[0] & 0xF0, bytes[1], size > 2 ? bytes[2] : 0);
        }
    }

private:
    SongChase& chase_;
};

// The second walk's: the system exclusive the state needs goes on to the sink.
class SongChase::Replayer final : public MidiSink {
public:
    Replayer(SongChase& chase, MidiSink& out) : chase_(chase), out_(out) {}
    void Send(const std::uint8_t* bytes, std::size_t size) override {
        if (bytes[0] != 0xF0 || !chase_.sysEx_.Needed(chase_.replayed_++)) return;
        out_.SendSong(bytes, size);
        ++replayed.sent;
        replayed.reset = replayed.reset || IsResetMessage(bytes, size);
    }
    Replayed replayed;

private:
    SongChase& chase_;
    MidiSink& out_;
};

SongChase::SongChase() : channels_(std::make_unique<std::array<ChannelChase, 16>>()) {}
SongChase::SongChase(SongChase&&) noexcept = default;
SongChase& SongChase::operator=(SongChase&&) noexcept = default;
SongChase::~SongChase() = default;

void SongChase::Take(const SongEvent& event) {
    Taker taker(*this);
    takeWhole_.Take(event, taker);
}

SongChase::Replayed SongChase::Replay(const SongEvent& event, MidiSink& sink) {
    Replayer replayer(*this, sink);
    replayWhole_.Take(event, replayer);
    return replayer.replayed;
}

std::vector<StateMessage> SongChase::ChannelMessages() const {
    std::vector<StateMessage> messages;
    for (std::uint8_t channel = 0; channel < 16; ++channel) (*channels_)[channel].AppendMessages(channel, messages);
    return messages;
}

namespace {

class Collector final : public MidiSink {
public:
    void Send(const std::uint8_t* bytes, std::size_t size) override { messages.emplace_back(bytes, bytes + size); }
    std::vector<MidiMessage> messages;
};

}  // namespace

std::vector<MidiMessage> StateMessagesAt(const Song& song, std::int64_t timeUs) {
    SongChase chase;
    {
        EventCursor cursor(song);
        for (SongEvent event; cursor.Next(event) && event.timeUs < timeUs;) chase.Take(event);
    }
    Collector state;
    {
        EventCursor cursor(song);
        for (SongEvent event; cursor.Next(event) && event.timeUs < timeUs;) chase.Replay(event, state);
    }
    for (const StateMessage& message : chase.ChannelMessages()) state.messages.push_back(StateBytes(message));
    return state.messages;
}

MidiMessage StateBytes(const StateMessage& message) {
    return MidiMessage(message.own.begin(), message.own.begin() + message.size);
}

}  // namespace lyra
