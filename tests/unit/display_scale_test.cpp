#include "ui/display_scale.h"
#include "ui/menu_geometry.h"

#include <gtest/gtest.h>

namespace {

// Lengths round as MulDiv does; a picture is the drawn size that covers the 16 pixels scaled; the
// clip is the largest drawn for a scale not above the screen's.
TEST(DisplayScale, LengthsAndPictureSizesFollowTheDpi) {
    struct Case {
        int dpi, font, negative, picture, clip;
    } cases[] = {{96, 14, -5, 16, 100},   {72, 11, -4, 16, 100},  {120, 18, -6, 24, 100},
                 {144, 21, -8, 24, 150},  {168, 25, -9, 32, 150}, {192, 28, -10, 32, 200},
                 {288, 42, -15, 32, 200}, {0, 14, -5, 16, 100}};  // 0: none known
    for (const Case& c : cases) {
        EXPECT_EQ(ScaleForDpi(14, c.dpi), c.font) << c.dpi;
        EXPECT_EQ(ScaleForDpi(-5, c.dpi), c.negative) << c.dpi;
        EXPECT_EQ(MenuPictureSize(c.dpi), c.picture) << c.dpi;
        EXPECT_EQ(ClipScale(c.dpi), c.clip) << c.dpi;
    }
}

TEST(MenuGeometry, MainMenuItemAt150Percent) {
    // The 24-pixel pictures with margins of 3; the gap beside the picture column grows to 12.
    const MenuItemMetrics item{3, 3, 24, 24, 144};
    const MenuBox box{10, 40, 210, 72};
    EXPECT_EQ(MeasureMenuItem(item, {100, 18}), (MenuExtent{136, 32}));
    EXPECT_EQ(MenuPictureFrame(item, box), (MenuBox{13, 43, 38, 68}));
    EXPECT_EQ(MenuBackgroundBox(item, box, true), (MenuBox{49, 43, 207, 69}));
    EXPECT_EQ(MenuTextBox(item, box, 18), (MenuBox{50, 47, 210, 72}));
}

}  // namespace
