#include "log/log_stamp.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Stamp(LogTime time) {
    char stamp[64];
    const std::size_t length = FormatLogStamp(time, stamp, sizeof stamp);
    EXPECT_EQ(length, std::string(stamp).size());
    return stamp;
}

TEST(LogStamp, NoLeadingZerosPaddedToColumnTwenty) {
    struct Case {
        LogTime time;
        const char* expected;
    } cases[] = {
        {{12, 6, 3, 20, 56}, "12/ 6 3:20:56      "},
        {{3, 1, 9, 5, 7}, "3/ 1 9:5:7         "},
        {{1, 1, 0, 0, 0}, "1/ 1 0:0:0         "},
        {{12, 31, 23, 59, 59}, "12/ 31 23:59:59    "},
    };
    for (const Case& c : cases) {
        const std::string stamp = Stamp(c.time);
        EXPECT_EQ(stamp, c.expected);
        EXPECT_EQ(stamp.size(), kLogStampWidth);
    }
}

TEST(LogStamp, NeverOverrunsTheBuffer) {
    char small[8];
    EXPECT_EQ(FormatLogStamp({12, 31, 23, 59, 59}, small, sizeof small), 7u);
    EXPECT_STREQ(small, "12/ 31 ");
    char tiny[1] = {'x'};
    EXPECT_EQ(FormatLogStamp({1, 1, 1, 1, 1}, tiny, sizeof tiny), 0u);
    EXPECT_EQ(tiny[0], '\0');
}

}  // namespace
