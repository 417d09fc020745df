#include "ui/display_scale.h"
#include "ui/menu_geometry.h"

#include <gtest/gtest.h>

namespace {

TEST(DisplayScale, LengthsFollowTheDpi) {
    struct Case {
        int length;
        int dpi;
        int expected;
    } cases[] = {
        {14, 96, 14},  {640, 144, 960}, {14, 144, 21},  {14, 120, 18},  // 17.5 rounds up
        {2, 144, 3},   {8, 192, 16},    {480, 72, 360}, {-5, 144, -8},  // halves away from zero
        {480, 0, 480},                                                  // no DPI known: as given
    };
    for (const Case& c : cases) EXPECT_EQ(ScaleForDpi(c.length, c.dpi), c.expected) << c.length << " at " << c.dpi;
}

TEST(DisplayScale, MenuPicturesAreDrawnSizesNeverSmallerThanScaled) {
    struct Case {
        int dpi;
        int size;
    } cases[] = {{72, 16}, {96, 16}, {120, 24}, {144, 24}, {168, 32}, {192, 32}, {288, 32}};
    for (const Case& c : cases) EXPECT_EQ(MenuPictureSize(c.dpi), c.size) << c.dpi;
}

TEST(MenuGeometry, MainMenuItemAt150Percent) {
    // The 24-pixel pictures with margins of 3; the gap beside the picture column grows to 12.
    const MenuItemMetrics item{3, 3, 24, 24, 144};
    const MenuBox box{10, 40, 210, 72};
    EXPECT_EQ(MeasureMenuItem(item, {100, 18}), (MenuExtent{136, 32}));
    EXPECT_EQ(MenuBitmapOrigin(item, box), (MenuPoint{14, 44}));
    EXPECT_EQ(MenuPictureFrame(item, box), (MenuBox{13, 43, 38, 68}));
    EXPECT_EQ(MenuBackgroundBox(item, box, true), (MenuBox{49, 43, 207, 69}));
    EXPECT_EQ(MenuTextBox(item, box, 18), (MenuBox{50, 47, 210, 72}));
}

}  // namespace
