#include "app/slider_math.h"

std::int32_t NextSliderPosition(std::int32_t current, int code, int thumb, std::int32_t length) {
    std::int32_t position = current;
    switch (code) {
        case 0: position = current - 1; break;
        case 1: position = current + 1; break;
        case 2: position = current - kSliderPage; break;
        case 3: position = current + kSliderPage; break;
        case 5: position = thumb & 0xFFFF; break;
        default: break;  // thumb position, top, bottom and end of scroll keep the position
    }
    if (position < 0) position = 0;
    if (length >= 0 && position > length) position = length;
    return position;
}
