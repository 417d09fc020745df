// The state a song has reached at a time on each channel: what a start from the middle of the
// song sends first, so that it sounds as it would have after playing up to there.
#pragma once
#include "engine/song.h"

#include <cstdint>
#include <vector>

namespace lyra {

using MidiMessage = std::vector<std::uint8_t>;

// In sending order: the system-exclusive messages before `timeUs` as they came; then, channel by
// channel, Reset All Controllers, bank select and program, the other controllers, the registered
// and non-registered parameters with their data, and the pitch bend.
std::vector<MidiMessage> StateMessagesAt(const Song& song, std::int64_t timeUs);

}  // namespace lyra
