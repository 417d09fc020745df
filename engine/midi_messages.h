// Fixed messages the engine sends of its own accord: the three resets and the silence after a stop.
#pragma once
#include "engine/channel_state.h"

#include <cstdint>
#include <span>
#include <vector>

namespace lyra {

enum class ResetKind { gm, gs, xg };

// The standard system-exclusive reset of each kind, F0 to F7.
std::span<const std::uint8_t> ResetMessage(ResetKind kind);

// All Notes Off and Sustain Off on each of the 16 channels.
std::vector<MidiMessage> SilenceMessages();

}  // namespace lyra
