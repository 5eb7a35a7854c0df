#include "textread/decimal.h"

#include <cmath>
#include <cstdint>
#include <string>

#include <gtest/gtest.h>

namespace {

struct IntCase {
    std::string text;
    int32_t expected;
};

struct DoubleCase {
    std::string text;
    double expected;
};

TEST(DecimalToInt32, TakesTheLongestDecimalPrefix) {
    const IntCase cases[] = {
        {"0", 0},
        {"42", 42},
        {"  \t\n\v\f\r17", 17},
        {"+8", 8},
        {"-8", -8},
        {"12abc", 12},
        {"12 34", 12},
        {"007", 7},
        {"1.9", 1},
        {"1e3", 1},
        {"0x10", 0},
        {"abc", 0},
        {"", 0},
        {"-", 0},
        {"+", 0},
        {"- 5", 0},
        {"+-5", 0},
        {"2147483647", 2147483647},
        {"-2147483648", INT32_MIN},
        {"2147483646", 2147483646},
        {"-2147483647", -2147483647},
    };
    for (const IntCase &c : cases) {
        EXPECT_EQ(DecimalToInt32(c.text.c_str()), c.expected) << "text \"" << c.text << "\"";
    }
}

TEST(DecimalToInt32, SaturatesAtTheLimits) {
    // One case a line, notes aligned.
    // clang-format off
    const IntCase cases[] = {
        {"2147483648", INT32_MAX},
        {"99999999999", INT32_MAX},
        {"4294967296", INT32_MAX},      // would wrap to 0 in 32 bits
        {"4294967303", INT32_MAX},      // would wrap to 7 in 32 bits
        {"-2147483649", INT32_MIN},
        {"-99999999999", INT32_MIN},
        {"-4294967297", INT32_MIN},     // would wrap to -1 in 32 bits
        {std::string(300, '9'), INT32_MAX},
        {"-" + std::string(300, '9'), INT32_MIN},
        {std::string(300, '0') + "42", 42},
    };
    // clang-format on
    for (const IntCase &c : cases) {
        EXPECT_EQ(DecimalToInt32(c.text.c_str()), c.expected) << "text \"" << c.text << "\"";
    }
}

TEST(DecimalToDouble, TakesTheLongestDecimalPrefix) {
    // One case a line, notes aligned.
    // clang-format off
    const DoubleCase cases[] = {
        {"1.5e2", 150.0},
        {"1.5E2", 150.0},
        {"  -2.25", -2.25},
        {"+.5", 0.5},
        {"5.", 5.0},
        {"12abc", 12.0},
        {"1.5d2", 1.5},        // no 'd' exponent
        {"2e", 2.0},           // an exponent needs a digit
        {"2e+", 2.0},
        {"2e-x", 2.0},
        {"2e-1", 0.2},
        {"2.5e+1x", 25.0},
        {"1.2.3", 1.2},
        {"0x10", 0.0},         // no hexadecimal
        {"0x1p3", 0.0},
        {"inf", 0.0},          // no infinity or NaN words
        {"-infinity", 0.0},
        {"nan", 0.0},
        {".", 0.0},
        {"-", 0.0},
        {"+e5", 0.0},
        {".e5", 0.0},
        {"abc", 0.0},
        {"", 0.0},
    };
    // clang-format on
    for (const DoubleCase &c : cases) {
        EXPECT_EQ(DecimalToDouble(c.text.c_str()), c.expected) << "text \"" << c.text << "\"";
    }
}

TEST(DecimalToDouble, OverflowGivesHugeValueOfTheSign) {
    EXPECT_EQ(DecimalToDouble("1e400"), HUGE_VAL);
    EXPECT_EQ(DecimalToDouble("-1e400"), -HUGE_VAL);
    EXPECT_EQ(DecimalToDouble(("1" + std::string(400, '0')).c_str()), HUGE_VAL);
    EXPECT_EQ(DecimalToDouble("1e-400"), 0.0);
}

TEST(DecimalToDouble, LongDigitStringsRoundCorrectly) {
    // 2^53 + 1 lies halfway between two doubles and rounds to even; a single
    // nonzero digit far behind the point tips it upwards. Dropping digits
    // past the seventeenth gives the wrong neighbour.
    EXPECT_EQ(DecimalToDouble("9007199254740993"), 9007199254740992.0);
    EXPECT_EQ(DecimalToDouble(("9007199254740993." + std::string(200, '0') + "1").c_str()),
              9007199254740994.0);
    EXPECT_EQ(DecimalToDouble(("0." + std::string(299, '0') + "1e299").c_str()), 0.1);
    EXPECT_EQ(DecimalToDouble((std::string(300, '0') + "2.5").c_str()), 2.5);
    EXPECT_EQ(DecimalToDouble("0.1000000000000000055511151231257827021181583404541015625"), 0.1);
    EXPECT_EQ(DecimalToDouble("3.14159265358979323846264338327950288419716939937510"),
              3.141592653589793);
}

}  // namespace
