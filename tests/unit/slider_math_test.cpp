#include "app/slider_math.h"

#include <gtest/gtest.h>

namespace {

constexpr int kNoEngine = -1;

TEST(SliderMath, MovesAndClamps) {
    struct Case {
        int current;
        int code;
        int thumb;
        int length;
        int expected;
    } cases[] = {
        {200, 3, 0, 500, 210},      // page right
        {5, 2, 0, 500, 0},          // page left stops at 0
        {0, 0, 0, 500, 0},          // line left at 0
        {7, 0, 0, 500, 6},          // line left
        {499, 1, 0, 500, 500},      // line right up to the length
        {500, 1, 0, 500, 500},      // never past the length
        {495, 3, 0, 500, 500},      // page right clamps
        {100, 5, 450, 500, 450},    // thumb track
        {100, 5, 65535, 500, 500},  // thumb past the length
        {100, 4, 300, 500, 100},    // thumb position keeps
        {100, 6, 0, 500, 100},      // Home keeps
        {100, 7, 0, 500, 100},      // End keeps
        {100, 8, 0, 500, 100},      // end of scroll keeps
        {0, 1, 0, kNoEngine, 1},    // no engine: no upper clamp
        {0, 5, 40000, kNoEngine, 40000},
        {0, 3, 0, 0, 0},  // range 0..0 after start with an engine of length 0
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "from " << c.current << " code " << c.code);
        EXPECT_EQ(NextSliderPosition(c.current, c.code, c.thumb, c.length), c.expected);
    }
}

}  // namespace
