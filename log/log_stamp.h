// The time stamp in front of every log line: "%d/ %d %d:%d:%d" (month, day, hour, minute,
// second), padded with blanks to 19 characters so that every message starts in column 20.
#pragma once
#include <cstddef>

inline constexpr std::size_t kLogStampWidth = 19;

struct LogTime {
    int month;
    int day;
    int hour;
    int minute;
    int second;
};

// Writes the padded stamp and its terminator into `stamp` (at least kLogStampWidth + 1 bytes,
// more when a field is out of its usual range) and returns its length.
std::size_t FormatLogStamp(const LogTime& time, char* stamp, std::size_t capacity);
