// The engine's texts for its result codes (code page 932).
#pragma once
#include <cstdint>

namespace lyra {

const char* ErrorText(std::int32_t code);

// Copies the text for `code` into `buffer`, cut short at a whole character when it does not fit.
// Returns kEngineOk, or kEngineBadArgument without a buffer.
std::int32_t CopyErrorText(std::int32_t code, char* buffer, std::int32_t bufferSize);

}  // namespace lyra
