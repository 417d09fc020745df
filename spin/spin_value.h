#pragma once
// The arithmetic of a spin control's value, free of any window: a range, clamping, one step, and
// the number an attached edit box shows. Header-only so the control library and the native tests
// share it without the program carrying it.

#include <cstdint>
#include <optional>

struct SpinRange {
    int32_t minimum = 0;
    int32_t maximum = 100;
};

enum class SpinDirection { Up, Down };

// A range given the wrong way round still means the numbers between its two ends.
constexpr SpinRange MakeSpinRange(int32_t first, int32_t second) {
    return first <= second ? SpinRange{first, second} : SpinRange{second, first};
}

constexpr int32_t ClampToRange(int64_t value, SpinRange range) {
    if (value < range.minimum) return range.minimum;
    if (value > range.maximum) return range.maximum;
    return static_cast<int32_t>(value);
}

// A value outside the range is first brought inside it; the step never leaves the range.
constexpr int32_t StepInRange(int32_t standing, SpinDirection direction, SpinRange range) {
    const int64_t moved = int64_t{ClampToRange(standing, range)} + (direction == SpinDirection::Up ? 1 : -1);
    return ClampToRange(moved, range);
}

// The number at the start of an edit box's text: blanks skipped, an optional sign, the digits up
// to the first other character. No digits means no number. Too many digits saturate.
constexpr std::optional<int32_t> ReadSpinNumber(const char* text) {
    if (text == nullptr) return std::nullopt;
    while (*text == ' ' || *text == '\t') ++text;
    const bool negative = *text == '-';
    if (*text == '-' || *text == '+') ++text;
    if (*text < '0' || *text > '9') return std::nullopt;
    constexpr int64_t limit = int64_t{INT32_MAX} + 1;
    int64_t magnitude = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        magnitude = magnitude * 10 + (*text - '0');
        if (magnitude > limit) magnitude = limit;
    }
    const int64_t value = negative ? -magnitude : magnitude;
    return static_cast<int32_t>(value > INT32_MAX ? INT32_MAX : value);
}
