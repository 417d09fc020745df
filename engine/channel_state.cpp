#include "engine/channel_state.h"

#include <array>

namespace lyra {
namespace {

constexpr int kNone = -1;

enum Controller : std::uint8_t {
    bankSelect = 0,
    dataEntry = 6,
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

// The data written to one registered or non-registered parameter.
struct ParameterValue {
    bool registered = true;
    int coarse = 0;
    int fine = 0;
    int dataCoarse = kNone;
    int dataFine = kNone;
};

class ChannelChase {
public:
    ChannelChase() { controllers_.fill(kNone); }

    void Apply(std::uint8_t kind, std::uint8_t first, std::uint8_t second) {
        if (kind == 0xC0) program_ = first;
        if (kind == 0xE0) pitchBend_ = first | (second << 7);
        if (kind == 0xB0) ApplyController(first, second);
    }

    void AppendMessages(std::uint8_t channel, std::vector<MidiMessage>& out) const {
        auto controller = [&](int number, int value) {
            out.push_back({static_cast<std::uint8_t>(0xB0 | channel), static_cast<std::uint8_t>(number),
                           static_cast<std::uint8_t>(value)});
        };
        controller(resetAllControllers, 0);
        if (controllers_[bankSelect] != kNone) controller(bankSelect, controllers_[bankSelect]);
        if (controllers_[bankSelectFine] != kNone) controller(bankSelectFine, controllers_[bankSelectFine]);
        if (program_ != kNone) out.push_back({static_cast<std::uint8_t>(0xC0 | channel), static_cast<std::uint8_t>(program_)});
        for (int number = 0; number < firstModeMessage; ++number) {
            if (number == bankSelect || number == bankSelectFine || IsParameterController(number)) continue;
            if (controllers_[number] != kNone) controller(number, controllers_[number]);
        }
        for (const ParameterValue& parameter : parameters_) {
            controller(parameter.registered ? rpnCoarse : nrpnCoarse, parameter.coarse);
            controller(parameter.registered ? rpnFine : nrpnFine, parameter.fine);
            if (parameter.dataCoarse != kNone) controller(dataEntry, parameter.dataCoarse);
            if (parameter.dataFine != kNone) controller(dataEntryFine, parameter.dataFine);
        }
        if (selectionMade_) {
            // Leave the parameter selected that the song had selected (often the null parameter).
            controller(selection_.registered ? rpnCoarse : nrpnCoarse, selection_.coarse);
            controller(selection_.registered ? rpnFine : nrpnFine, selection_.fine);
        }
        if (pitchBend_ != kNone) {
            out.push_back({static_cast<std::uint8_t>(0xE0 | channel), static_cast<std::uint8_t>(pitchBend_ & 0x7F),
                           static_cast<std::uint8_t>(pitchBend_ >> 7)});
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
            bool kept = number == bankSelect || number == bankSelectFine || number == 7 || number == 10 ||
                        (number >= 91 && number <= 95);
            if (!kept) controllers_[number] = kNone;
        }
        pitchBend_ = kNone;
    }

    void Select(bool registered, int coarse, int fine) {
        selection_.registered = registered;
        selection_.coarse = coarse;
        selection_.fine = fine;
        selectionMade_ = true;
    }

    void WriteParameter(bool coarseData, int value) {
        if (!selectionMade_ || (selection_.registered && selection_.coarse == 127 && selection_.fine == 127)) return;
        ParameterValue* target = nullptr;
        for (ParameterValue& parameter : parameters_) {
            if (parameter.registered == selection_.registered && parameter.coarse == selection_.coarse &&
                parameter.fine == selection_.fine) {
                target = &parameter;
            }
        }
        if (target == nullptr) {
            parameters_.push_back({selection_.registered, selection_.coarse, selection_.fine, kNone, kNone});
            target = &parameters_.back();
        }
        (coarseData ? target->dataCoarse : target->dataFine) = value;
    }

    std::array<int, firstModeMessage> controllers_{};
    int program_ = kNone;
    int pitchBend_ = kNone;
    ParameterValue selection_;
    bool selectionMade_ = false;
    std::vector<ParameterValue> parameters_;
};

}  // namespace

std::vector<MidiMessage> StateMessagesAt(const Song& song, std::int64_t timeUs) {
    std::vector<MidiMessage> messages;
    std::array<ChannelChase, 16> channels;
    for (const SongEvent& event : song.events) {
        if (event.timeUs >= timeUs) break;
        const std::uint8_t* bytes = song.Message(event);
        if (bytes[0] == 0xF0 || bytes[0] == 0xF7) {
            messages.emplace_back(bytes, bytes + event.size);
        } else if (event.size >= 2) {
            channels[bytes[0] & 0x0F].Apply(bytes[0] & 0xF0, bytes[1], event.size > 2 ? bytes[2] : 0);
        }
    }
    for (std::uint8_t channel = 0; channel < 16; ++channel) channels[channel].AppendMessages(channel, messages);
    return messages;
}

}  // namespace lyra
