#include "engine/midi_messages.h"

#include <algorithm>

namespace lyra {
namespace {

constexpr std::uint8_t kGmReset[] = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
constexpr std::uint8_t kGsReset[] = {0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7};
constexpr std::uint8_t kXgReset[] = {0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7};

// Bytes that must match, with 0xFF for a byte that may be anything (the device number, the
// checksum) and 0xFE for a byte whose high nibble must be 1 (Yamaha's device number).
constexpr std::uint8_t kAny = 0xFF;
constexpr std::uint8_t kYamahaDevice = 0xFE;
constexpr std::uint8_t kGmPattern[] = {0xF0, 0x7E, kAny, 0x09, kAny, 0xF7};  // 01 on, 02 off, 03 GM2
constexpr std::uint8_t kGsPattern[] = {0xF0, 0x41, kAny, 0x42, 0x12, 0x40, 0x00, 0x7F, kAny, kAny, 0xF7};
constexpr std::uint8_t kXgOnPattern[] = {0xF0, 0x43, kYamahaDevice, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7};
constexpr std::uint8_t kXgAllPattern[] = {0xF0, 0x43, kYamahaDevice, 0x4C, 0x00, 0x00, 0x7F, 0x00, 0xF7};

bool Matches(std::span<const std::uint8_t> pattern, const std::uint8_t* bytes, std::size_t size) {
    if (size != pattern.size()) return false;
    for (std::size_t i = 0; i < size; ++i) {
        if (pattern[i] == kAny) continue;
        if (pattern[i] == kYamahaDevice) {
            if ((bytes[i] & 0xF0) != 0x10) return false;
        } else if (bytes[i] != pattern[i]) {
            return false;
        }
    }
    return true;
}

enum Controller : std::uint8_t {
    kModulation = 1,
    kExpression = 11,
    kSustain = 64,
    kSostenuto = 66,
    kSoftPedal = 67,
    kAllSoundOff = 120,
    kResetAllControllers = 121,
    kAllNotesOff = 123,
};

}  // namespace

std::span<const std::uint8_t> ResetMessage(ResetKind kind) {
    switch (kind) {
        case ResetKind::gm: return kGmReset;
        case ResetKind::gs: return kGsReset;
        case ResetKind::xg: return kXgReset;
    }
    return kGmReset;
}

bool IsResetMessage(const std::uint8_t* bytes, std::size_t size) {
    if (size == std::size(kGmPattern) && Matches(kGmPattern, bytes, size)) return bytes[4] >= 1 && bytes[4] <= 3;
    return Matches(kGsPattern, bytes, size) || Matches(kXgOnPattern, bytes, size) ||
           Matches(kXgAllPattern, bytes, size);
}

std::vector<MidiMessage> SilenceMessages() {
    constexpr std::uint8_t kFallbacks[][2] = {
        {kSustain, 0}, {kSostenuto, 0}, {kSoftPedal, 0}, {kModulation, 0}, {kExpression, 127}};
    std::vector<MidiMessage> messages;
    for (std::uint8_t channel = 0; channel < 16; ++channel) {
        const auto control = static_cast<std::uint8_t>(0xB0 | channel);
        messages.push_back({control, kAllSoundOff, 0});
        messages.push_back({control, kResetAllControllers, 0});
        messages.push_back({control, kAllNotesOff, 0});
        for (const auto& fallback : kFallbacks) messages.push_back({control, fallback[0], fallback[1]});
        messages.push_back({static_cast<std::uint8_t>(0xE0 | channel), 0x00, 0x40});
    }
    return messages;
}

}  // namespace lyra
