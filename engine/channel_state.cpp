#include "engine/channel_state.h"

#include "engine/midi_messages.h"
#include "engine/smf_reader.h"

#include <unordered_map>

namespace lyra {

namespace {

constexpr int kNone = -1;
constexpr int kDefaultVolume = 100;
constexpr int kDefaultPan = 64;

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

// The data written to one registered or non-registered parameter.
struct ParameterValue {
    bool registered = true;
    int coarse = 0;
    int fine = 0;
    int dataCoarse = kNone;
    int dataFine = kNone;
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

    void AppendMessages(std::uint8_t channel, std::vector<StateMessage>& out) const {
        const auto control = static_cast<std::uint8_t>(0xB0 | channel);
        auto controller = [&](int number, int value) { out.push_back(Short(control, number, value)); };
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
            controller(parameter.registered ? rpnCoarse : nrpnCoarse, parameter.coarse);
            controller(parameter.registered ? rpnFine : nrpnFine, parameter.fine);
            if (parameter.dataCoarse != kNone) controller(dataEntry, parameter.dataCoarse);
            if (parameter.dataFine != kNone) controller(dataEntryFine, parameter.dataFine);
        }
        if (selectionMade_ && !parameters_.empty()) {
            // Leave the parameter selected that the song had selected (often the null parameter).
            controller(selection_.registered ? rpnCoarse : nrpnCoarse, selection_.coarse);
            controller(selection_.registered ? rpnFine : nrpnFine, selection_.fine);
        }
        if (pressure_ != kNone) out.push_back(Short(static_cast<std::uint8_t>(0xD0 | channel), pressure_, 0, false));
        if (pitchBend_ != kNone) {
            out.push_back(Short(static_cast<std::uint8_t>(0xE0 | channel), pitchBend_ & 0x7F, pitchBend_ >> 7));
        }
    }

private:
    void ApplyController(int number, int value) {
        if (number == resetAllControllers) {
            ForgetResettableControllers();
        } else if (number == rpnCoarse || number == nrpnCoarse) {
            Select(number == rpnCoarse, value, selection_.fine);
        } else if (number == rpnFine || number == nrpnFine) {
            Select(number == rpnFine, selection_.coarse, value);
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

    void Select(bool registered, int coarse, int fine) {
        selection_.registered = registered;
        selection_.coarse = coarse;
        selection_.fine = fine;
        selectionMade_ = true;
    }

    // One look-up per data entry, so a song full of parameter changes costs no more per event.
    void WriteParameter(bool coarseData, int value) {
        if (!selectionMade_ || (selection_.registered && selection_.coarse == 127 && selection_.fine == 127)) return;
        const auto key = static_cast<std::uint16_t>((selection_.registered ? 0x4000 : 0) | (selection_.coarse << 7) |
                                                    selection_.fine);
        auto [place, added] = parameterIndex_.try_emplace(key, parameters_.size());
        if (added) parameters_.push_back({selection_.registered, selection_.coarse, selection_.fine, kNone, kNone});
        ParameterValue& target = parameters_[place->second];
        (coarseData ? target.dataCoarse : target.dataFine) = value;
    }

    std::array<int, firstModeMessage> controllers_{};
    int program_ = kNone;
    int pressure_ = kNone;
    int pitchBend_ = kNone;
    ParameterValue selection_;
    bool selectionMade_ = false;
    std::vector<ParameterValue> parameters_;
    std::unordered_map<std::uint16_t, std::size_t> parameterIndex_;
};

namespace {

StateMessage SongSysEx(const SongEvent& event) {
    StateMessage message;
    message.size = event.size;
    if (event.inPlace != nullptr) {
        message.inPlace = event.inPlace;
    } else {
        message.longBytes.assign(event.bytes, event.bytes + event.size);
    }
    return message;
}

}  // namespace

SongChase::SongChase() : channels_(std::make_unique<std::array<ChannelChase, 16>>()) {}
SongChase::SongChase(SongChase&&) noexcept = default;
SongChase& SongChase::operator=(SongChase&&) noexcept = default;
SongChase::~SongChase() = default;

void SongChase::Take(const SongEvent& event) {
    const std::uint8_t* bytes = event.bytes;
    switch (event.kind) {
        case EventKind::channel:
            if (event.size >= 2)
                channels_->at(bytes[0] & 0x0F).Apply(bytes[0] & 0xF0, bytes[1], event.size > 2 ? bytes[2] : 0);
            break;
        case EventKind::sysEx:
            // A reset puts every channel back to its defaults: what the song set before it is gone.
            if (IsResetMessage(bytes, event.size)) *channels_ = {};
            sysEx_.push_back(SongSysEx(event));
            break;
        case EventKind::sysExStart: divided_.assign(bytes, bytes + event.size); break;
        case EventKind::sysExPart:
            if (!divided_.empty()) divided_.insert(divided_.end(), bytes, bytes + event.size);
            break;
        case EventKind::sysExEnd: {
            if (divided_.empty()) break;
            divided_.insert(divided_.end(), bytes, bytes + event.size);
            StateMessage whole;
            whole.size = static_cast<std::uint32_t>(divided_.size());
            whole.longBytes = std::move(divided_);
            sysEx_.push_back(std::move(whole));
            divided_.clear();
            break;
        }
        case EventKind::escape: break;  // bytes of unknown meaning: not part of a state
    }
}

std::vector<StateMessage> SongChase::TakeMessages() {
    std::vector<StateMessage> messages = std::move(sysEx_);
    sysEx_.clear();
    for (std::uint8_t channel = 0; channel < 16; ++channel) (*channels_)[channel].AppendMessages(channel, messages);
    return messages;
}

std::vector<StateMessage> StateMessagesAt(const Song& song, std::int64_t timeUs) {
    SongChase chase;
    EventCursor cursor(song);
    for (SongEvent event; cursor.Next(event) && event.timeUs < timeUs;) chase.Take(event);
    return chase.TakeMessages();
}

void StateBytes(const StateMessage& message, MidiMessage& bytes) {
    if (message.inPlace != nullptr) {
        bytes.assign(1, 0xF0);
        bytes.insert(bytes.end(), message.inPlace, message.inPlace + (message.size - 1));
    } else if (!message.longBytes.empty()) {
        bytes = message.longBytes;
    } else {
        bytes.assign(message.own.begin(), message.own.begin() + message.size);
    }
}

MidiMessage StateBytes(const StateMessage& message) {
    MidiMessage bytes;
    StateBytes(message, bytes);
    return bytes;
}

}  // namespace lyra
