#include "ui/display_scale.h"

#include <cstdint>
#include <cstdlib>
#include <iterator>

int ScaleForDpi(int length, int dpi) {
    if (dpi <= 0) return length;
    const std::int64_t product = std::int64_t{length} * dpi;
    const std::int64_t half = kBaseDpi / 2;
    const std::int64_t rounded = (std::llabs(product) + half) / kBaseDpi;
    return static_cast<int>(product < 0 ? -rounded : rounded);
}

int MenuPictureSize(int dpi) {
    const int wanted = ScaleForDpi(kMenuPictureSizes[0], dpi);
    for (const int size : kMenuPictureSizes) {
        if (size >= wanted) return size;
    }
    return kMenuPictureSizes[std::size(kMenuPictureSizes) - 1];
}

int ClipScale(int dpi) {
    int chosen = kClipScales[0];
    for (const int scale : kClipScales) {
        if (scale * kBaseDpi <= dpi * 100) chosen = scale;
    }
    return chosen;
}
