#include "log/log_stamp.h"

#include <cstdio>

std::size_t FormatLogStamp(const LogTime& time, char* stamp, std::size_t capacity) {
    if (capacity == 0) return 0;
    int length =
        std::snprintf(stamp, capacity, "%d/ %d %d:%d:%d", time.month, time.day, time.hour, time.minute, time.second);
    if (length < 0) length = 0;
    std::size_t used = static_cast<std::size_t>(length) < capacity ? static_cast<std::size_t>(length) : capacity - 1;
    while (used < kLogStampWidth && used + 1 < capacity) stamp[used++] = ' ';
    stamp[used] = '\0';
    return used;
}
