// The instrument-name file "Instrmnt.txt": its bytes cut into the entries of the instrument list,
// where entry n names instrument n. Portable: no Windows headers.
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

inline constexpr std::size_t kInstrumentNameCapacity = 32;  // bytes of one entry
inline constexpr std::size_t kInstrumentNameLimit = 129;    // 0..127 and 128, "leave unchanged"

// CR and NUL end an entry (an empty one too), LF is skipped, a byte arriving at a full entry is
// dropped and ends it, bytes after the last ended entry are lost, and cutting stops at the limit.
std::vector<std::string> CutInstrumentNames(std::span<const std::uint8_t> bytes);
