// The position slider's arithmetic: where a scroll notification moves the thumb.
#pragma once
#include <cstdint>

inline constexpr int kSliderPage = 10;

// `code` is the scroll code, `thumb` the 16-bit thumb position that comes with code 5;
// `length` clamps from above when it is not negative (a bound engine's song length).
std::int32_t NextSliderPosition(std::int32_t current, int code, int thumb, std::int32_t length);

// The end-of-scroll code: the slider action is over and the engine seeks once.
inline constexpr int kEndScrollCode = 8;
