#include "engine/midi_messages.h"

namespace lyra {
namespace {

constexpr std::uint8_t kGmReset[] = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
constexpr std::uint8_t kGsReset[] = {0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7};
constexpr std::uint8_t kXgReset[] = {0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7};

constexpr std::uint8_t kAllNotesOff = 123;
constexpr std::uint8_t kSustain = 64;

}  // namespace

std::span<const std::uint8_t> ResetMessage(ResetKind kind) {
    switch (kind) {
    case ResetKind::gm: return kGmReset;
    case ResetKind::gs: return kGsReset;
    case ResetKind::xg: return kXgReset;
    }
    return kGmReset;
}

std::vector<MidiMessage> SilenceMessages() {
    std::vector<MidiMessage> messages;
    for (std::uint8_t channel = 0; channel < 16; ++channel) {
        messages.push_back({static_cast<std::uint8_t>(0xB0 | channel), kAllNotesOff, 0});
        messages.push_back({static_cast<std::uint8_t>(0xB0 | channel), kSustain, 0});
    }
    return messages;
}

}  // namespace lyra
