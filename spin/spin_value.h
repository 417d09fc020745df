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

// One step inside the range. From outside it, the arrow pointing toward the range brings the value
// to the nearest end, as the system's up-down control does; the arrow pointing away leaves it.
constexpr int32_t StepInRange(int32_t standing, SpinDirection direction, SpinRange range) {
    const bool up = direction == SpinDirection::Up;
    if (standing < range.minimum) return up ? range.minimum : standing;
    if (standing > range.maximum) return up ? standing : range.maximum;
    return ClampToRange(int64_t{standing} + (up ? 1 : -1), range);
}

// One character of an edit box's text as a number reads it, advancing `text` past it: the
// full-width digits, minus sign and blank of code page 932 as their ASCII forms, and the long
// vowel mark 「ー」, which an input method's minus key types, as a minus sign.
constexpr char NextNumberChar(const char*& text) {
    const auto lead = static_cast<unsigned char>(text[0]);
    const auto trail = static_cast<unsigned char>(lead != 0 ? text[1] : 0);
    if (lead == 0x82 && trail >= 0x4F && trail <= 0x58) {
        text += 2;
        return static_cast<char>('0' + (trail - 0x4F));
    }
    if (lead == 0x81 && (trail == 0x7C || trail == 0x5B || trail == 0x40)) {
        text += 2;
        return trail == 0x40 ? ' ' : '-';
    }
    return lead == 0 ? '\0' : *text++;
}

// The number at the start of an edit box's text: blanks skipped, an optional sign, the digits up
// to the first other character; digits, minus sign and blanks may be full-width. No digits means
// no number. Too many digits saturate.
constexpr std::optional<int32_t> ReadSpinNumber(const char* text) {
    if (text == nullptr) return std::nullopt;
    char c = NextNumberChar(text);
    while (c == ' ' || c == '\t') c = NextNumberChar(text);
    const bool negative = c == '-';
    if (c == '-' || c == '+') c = NextNumberChar(text);
    if (c < '0' || c > '9') return std::nullopt;
    constexpr int64_t limit = int64_t{INT32_MAX} + 1;
    int64_t magnitude = 0;
    for (; c >= '0' && c <= '9'; c = NextNumberChar(text)) {
        magnitude = magnitude * 10 + (c - '0');
        if (magnitude > limit) magnitude = limit;
    }
    const int64_t value = negative ? -magnitude : magnitude;
    return static_cast<int32_t>(value > INT32_MAX ? INT32_MAX : value);
}
