// Fixed messages the engine sends of its own accord: the three resets, the clean state a stop
// leaves, and what a system-exclusive message means to the engine.
#pragma once
#include "engine/channel_state.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace lyra {

enum class ResetKind { gm, gs, xg };

// After a reset, modules ignore what comes within about this long.
inline constexpr std::int64_t kResetPauseUs = 50000;

// The standard system-exclusive reset of each kind, F0 to F7.
std::span<const std::uint8_t> ResetMessage(ResetKind kind);

// A GM (on, off or GM2), GS (reset or system mode set) or XG (system on or all parameters reset)
// reset, whatever the device number.
bool IsResetMessage(const std::uint8_t* bytes, std::size_t size);

// On each of the 16 channels: All Sound Off, Reset All Controllers, All Notes Off, and for a
// receiver that ignores those, sustain, sostenuto and soft pedal off, modulation 0, expression
// 127 and pitch bend centred.
std::vector<MidiMessage> SilenceMessages();

}  // namespace lyra
