#include "ui/menu_geometry.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// The main window's items: margins 2 and 2, a 16 by 16 picture.
constexpr MenuItemMetrics kMainMenuItem{2, 2, 16, 16};

TEST(MenuGeometry, MainMenuItemSize) {
    struct Case {
        MenuExtent text;
        MenuExtent expected;
    } cases[] = {
        {{100, 12}, {122, 22}},  // text lower than the picture: the picture's 16 decides
        {{37, 16}, {59, 22}},
        {{80, 20}, {102, 26}},  // a taller font decides
        {{0, 0}, {22, 22}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "text " << c.text.width << "x" << c.text.height);
        EXPECT_EQ(MeasureMenuItem(kMainMenuItem, c.text), c.expected);
    }
}

TEST(MenuGeometry, SizeWithOtherLooks) {
    struct Case {
        MenuItemMetrics metrics;
        MenuExtent text;
        MenuExtent expected;
    } cases[] = {
        {{0, 0, 0, 0}, {50, 13}, {52, 15}},    // no picture, no margins
        {{0, 3, 0, 0}, {50, 13}, {52, 21}},    // margin y only
        {{4, 1, 32, 32}, {50, 13}, {92, 36}},  // a 32-pixel icon
    };
    for (const Case& c : cases) EXPECT_EQ(MeasureMenuItem(c.metrics, c.text), c.expected);
}

TEST(MenuGeometry, MainMenuItemDrawBoxes) {
    const std::vector<MenuBox> items = {{0, 0, 150, 22}, {3, 44, 180, 66}, {-5, 10, 20, 40}};
    for (const MenuBox& item : items) {
        const int l = item.left;
        const int t = item.top;
        SCOPED_TRACE(testing::Message() << "item at " << l << "," << t);
        EXPECT_EQ(MenuBitmapOrigin(kMainMenuItem, item), (MenuPoint{l + 3, t + 3}));
        EXPECT_EQ(MenuPictureFrame(kMainMenuItem, item), (MenuBox{l + 2, t + 2, l + 19, t + 19}));
        EXPECT_EQ(MenuBackgroundBox(kMainMenuItem, item, true),
                  (MenuBox{l + 26, t + 2, item.right - 2, item.bottom - 2}));
        EXPECT_EQ(MenuBackgroundBox(kMainMenuItem, item, false),
                  (MenuBox{l + 2, t + 2, item.right - 2, item.bottom - 2}));
        EXPECT_EQ(MenuTextBox(kMainMenuItem, item, 12).left, l + 27);
        EXPECT_EQ(MenuTextBox(kMainMenuItem, item, 12).right, item.right);
        EXPECT_EQ(MenuTextBox(kMainMenuItem, item, 12).bottom, item.bottom);
    }
}

TEST(MenuGeometry, IconSitsOnTheFrame) {
    EXPECT_EQ(MenuIconOrigin(kMainMenuItem, {10, 20, 100, 42}), (MenuPoint{12, 22}));
    EXPECT_EQ(MenuIconOrigin({0, 0, 32, 32}, {10, 20, 100, 42}), (MenuPoint{10, 20}));
}

TEST(MenuGeometry, TextTopCentresTheFontAndRoundsTowardZero) {
    struct Case {
        int top, bottom, fontHeight, expectedTop;
    } cases[] = {
        {0, 22, 12, 5},                     // (22 - 12) / 2
        {0, 22, 13, 4},                     // 9 / 2 rounds down
        {40, 62, 16, 43}, {0, 22, 25, -1},  // a font taller than the item: -3 / 2 rounds toward zero, not down
        {0, 22, 27, -2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "item " << c.top << ".." << c.bottom << " font " << c.fontHeight);
        EXPECT_EQ(MenuTextBox(kMainMenuItem, {0, c.top, 100, c.bottom}, c.fontHeight).top, c.expectedTop);
    }
}

TEST(TransparentCopy, KeyColour) {
    struct Case {
        std::uint32_t key;
        std::uint32_t firstPixel;
        std::uint32_t expected;
    } cases[] = {
        {kKeyFromFirstPixel, 0x00FF00FF, 0x00FF00FF},
        {kKeyFromFirstPixel, 0xAA123456, 0x00123456},  // the unused top byte is not part of the colour
        {0x00FF0000, 0x00000000, 0x000000FF},          // RGB blue becomes the pixel's low byte
        {0x00123456, 0x00FF00FF, 0x00563412},
        {0x00000000, 0x00FFFFFF, 0x00000000},
    };
    for (const Case& c : cases) EXPECT_EQ(TransparentKey(c.key, c.firstPixel), c.expected) << std::hex << c.key;
}

TEST(TransparentCopy, KeyPixelsKeepTheTarget) {
    const std::uint32_t key = 0x00FF00FF;
    const std::vector<std::uint32_t> source = {0x00FF00FF, 0x00000000, 0xFFFF00FF, 0x00FF00FE, 0x00123456};
    std::vector<std::uint32_t> target(source.size(), 0x00D4D0C8);
    CopyUnlessKey(target.data(), source.data(), source.size(), key);
    const std::vector<std::uint32_t> expected = {0x00D4D0C8, 0x00000000, 0x00D4D0C8, 0x00FF00FE, 0x00123456};
    EXPECT_EQ(target, expected);
}

}  // namespace
