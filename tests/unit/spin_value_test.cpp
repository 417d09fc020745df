#include "spin/spin_value.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>

namespace {

struct StepCase {
    int32_t standing;
    SpinDirection direction;
    SpinRange range;
    int32_t expected;
};

TEST(SpinValue, StepsByOneInsideTheRange) {
    const StepCase cases[] = {
        {100, SpinDirection::Up, {0, 200}, 101},
        {100, SpinDirection::Down, {0, 200}, 99},
        {200, SpinDirection::Up, {0, 200}, 200},
        {0, SpinDirection::Down, {0, 200}, 0},
        {-127, SpinDirection::Up, {-127, 127}, -126},
        {-126, SpinDirection::Down, {-127, 127}, -127},
        {1000, SpinDirection::Down, {20, 250}, 250},  // from outside: to the nearest end
        {1000, SpinDirection::Up, {20, 250}, 1000},   // never against the arrow
        {-5, SpinDirection::Up, {20, 250}, 20},
        {5, SpinDirection::Up, {20, 250}, 20},
        {250, SpinDirection::Down, {0, 200}, 200},
        {-5, SpinDirection::Down, {20, 250}, -5},
        {INT32_MAX, SpinDirection::Up, {INT32_MIN, INT32_MAX}, INT32_MAX},
        {INT32_MIN, SpinDirection::Down, {INT32_MIN, INT32_MAX}, INT32_MIN},
        {7, SpinDirection::Up, {5, 5}, 7},
    };
    for (const StepCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.standing << " in " << c.range.minimum << ".." << c.range.maximum);
        EXPECT_EQ(StepInRange(c.standing, c.direction, c.range), c.expected);
    }
}

TEST(SpinValue, RangeGivenBackwardsIsTurnedRound) {
    const SpinRange range = MakeSpinRange(200, -3);
    EXPECT_EQ(range.minimum, -3);
    EXPECT_EQ(range.maximum, 200);
    EXPECT_EQ(MakeSpinRange(-3, 200).minimum, -3);
}

TEST(SpinValue, ClampsWideValues) {
    EXPECT_EQ(ClampToRange(int64_t{1} << 40, {0, 128}), 128);
    EXPECT_EQ(ClampToRange(-(int64_t{1} << 40), {0, 128}), 0);
    EXPECT_EQ(ClampToRange(64, {0, 128}), 64);
}

struct NumberCase {
    const char* text;
    std::optional<int32_t> expected;
};

TEST(SpinValue, ReadsTheNumberAtTheStartOfTheText) {
    const NumberCase cases[] = {
        {"5", 5},
        {"-5", -5},
        {"+12", 12},
        {"  \t42", 42},
        {"1a", 1},
        {"5 ", 5},
        {"007", 7},
        {"　－１２x", -12},
        {"ー３", -3},
        {"2147483647", INT32_MAX},
        {"2147483648", INT32_MAX},
        {"99999999999999999999", INT32_MAX},
        {"-2147483648", INT32_MIN},
        {"-99999999999999999999", INT32_MIN},
        {"", std::nullopt},
        {"abc", std::nullopt},
        {"-", std::nullopt},
        {"+ 5", std::nullopt},
        {nullptr, std::nullopt},
    };
    for (const NumberCase& c : cases) {
        SCOPED_TRACE(c.text == nullptr ? "(null)" : c.text);
        EXPECT_EQ(ReadSpinNumber(c.text), c.expected);
    }
}

}  // namespace
