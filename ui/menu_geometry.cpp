#include "ui/menu_geometry.h"

#include "ui/display_scale.h"

#include <algorithm>

namespace {

// Keeps the highlight clear of the picture's frame: 8 pixels at 96 DPI.
constexpr int kPictureGap = 8;

int PictureGap(const MenuItemMetrics& m) { return ScaleForDpi(kPictureGap, m.dpi); }

}  // namespace

MenuExtent MeasureMenuItem(const MenuItemMetrics& m, MenuExtent text) {
    // What the gap grows by above 96 DPI widens the item, so the text keeps its room.
    const int grownGap = PictureGap(m) - kPictureGap;
    return {text.width + m.imageWidth + 2 * m.marginX + 2 + grownGap,
            std::max(text.height, m.imageHeight) + 2 * m.marginY + 2};
}

MenuBox MenuBackgroundBox(const MenuItemMetrics& m, MenuBox item, bool besidePicture) {
    const int left = besidePicture ? item.left + m.marginX + m.imageWidth + PictureGap(m) : item.left + m.marginX;
    return {left, item.top + m.marginY, item.right - m.marginX, item.bottom - m.marginY};
}

MenuPoint MenuBitmapOrigin(const MenuItemMetrics& m, MenuBox item) {
    return {item.left + m.marginX + 1, item.top + m.marginY + 1};
}

MenuPoint MenuIconOrigin(const MenuItemMetrics& m, MenuBox item) {
    return {item.left + m.marginX, item.top + m.marginY};
}

MenuBox MenuPictureFrame(const MenuItemMetrics& m, MenuBox item) {
    const int left = item.left + m.marginX;
    const int top = item.top + m.marginY;
    return {left, top, left + m.imageWidth + 1, top + m.imageHeight + 1};
}

MenuBox MenuTextBox(const MenuItemMetrics& m, MenuBox item, int fontHeight) {
    // Integer division rounds toward zero, also when the font is taller than the item.
    return {item.left + m.marginX + m.imageWidth + PictureGap(m) + 1,
            item.top + (item.bottom - item.top - fontHeight) / 2, item.right, item.bottom};
}

std::uint32_t TransparentKey(std::uint32_t key, std::uint32_t firstSourcePixel) {
    if (key == kKeyFromFirstPixel) return firstSourcePixel & 0xFFFFFFu;
    return ((key & 0xFFu) << 16) | (key & 0xFF00u) | ((key >> 16) & 0xFFu);
}

void CopyUnlessKey(std::uint32_t* target, const std::uint32_t* source, std::size_t count, std::uint32_t key) {
    for (std::size_t i = 0; i < count; ++i) {
        if ((source[i] & 0xFFFFFFu) != key) target[i] = source[i];
    }
}
