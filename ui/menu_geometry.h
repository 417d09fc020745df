// Where an owner-drawn menu item puts its picture, frame, background and text, and how big it is.
// Portable: plain rectangle arithmetic over the item's margins and picture size.
#pragma once
#include <cstddef>
#include <cstdint>

// A rectangle as the system's RECT holds it: right and bottom lie just outside.
struct MenuBox {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool operator==(const MenuBox&) const = default;
};

struct MenuPoint {
    int x = 0;
    int y = 0;
    bool operator==(const MenuPoint&) const = default;
};

struct MenuExtent {
    int width = 0;
    int height = 0;
    bool operator==(const MenuExtent&) const = default;
};

// The parts of an item's look that decide its geometry; no picture means width and height 0.
// Margins and picture come as the look gives them; the gap between the picture column and the
// highlight is the item's own and follows the window's DPI.
struct MenuItemMetrics {
    int marginX = 0;
    int marginY = 0;
    int imageWidth = 0;
    int imageHeight = 0;
    int dpi = 96;
};

// The item's size: room for the text and the picture, their margins and one pixel each side.
MenuExtent MeasureMenuItem(const MenuItemMetrics& metrics, MenuExtent text);

// The filled background; `besidePicture` leaves the picture column to the menu's own colour.
MenuBox MenuBackgroundBox(const MenuItemMetrics& metrics, MenuBox item, bool besidePicture);
// Top-left corner of a bitmap picture (one pixel inside the frame) and of an icon (on the frame).
MenuPoint MenuBitmapOrigin(const MenuItemMetrics& metrics, MenuBox item);
MenuPoint MenuIconOrigin(const MenuItemMetrics& metrics, MenuBox item);
// The frame drawn around the picture: its lines run along all four sides of this box.
MenuBox MenuPictureFrame(const MenuItemMetrics& metrics, MenuBox item);
// The text's box: after the picture column, its top centring a line of `fontHeight` pixels.
MenuBox MenuTextBox(const MenuItemMetrics& metrics, MenuBox item, int fontHeight);

// A key of -1 (the system's invalid colour): the source's first pixel, its bottom-left one, is the key.
inline constexpr std::uint32_t kKeyFromFirstPixel = 0xFFFFFFFFu;

// The key colour in 32-bit pixel order (blue in the low byte): the source's first pixel for
// kKeyFromFirstPixel, else the RGB colour `key` (red in the low byte) with red and blue exchanged.
std::uint32_t TransparentKey(std::uint32_t key, std::uint32_t firstSourcePixel);
// Copies every source pixel whose colour (low 24 bits) differs from the key onto the target.
void CopyUnlessKey(std::uint32_t* target, const std::uint32_t* source, std::size_t count, std::uint32_t key);
