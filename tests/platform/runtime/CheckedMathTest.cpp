#include "platform/runtime/CheckedMath.h"
#include "platform/runtime/RuntimeError.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace {

constexpr std::int32_t kMax32 = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin32 = std::numeric_limits<std::int32_t>::min();
constexpr std::int16_t kMax16 = std::numeric_limits<std::int16_t>::max();
constexpr std::int16_t kMin16 = std::numeric_limits<std::int16_t>::min();

template <class Call> int errorNumberOf(Call&& call)
{
    try {
        call();
    } catch (const rt::RuntimeError& error) {
        return error.number();
    }
    return 0;
}

TEST(CheckedMath, ThirtyTwoBitResultsAtTheLimitsAreExactAndOneBeyondOverflows)
{
    EXPECT_EQ(rt::add32(kMax32 - 1, 1), kMax32);
    EXPECT_EQ(rt::sub32(kMin32 + 1, 1), kMin32);
    EXPECT_EQ(rt::mul32(-65536, 32768), kMin32);
    EXPECT_EQ(errorNumberOf([] { rt::add32(kMax32, 1); }), rt::err::Overflow);
    EXPECT_EQ(errorNumberOf([] { rt::sub32(kMin32, 1); }), rt::err::Overflow);
    EXPECT_EQ(errorNumberOf([] { rt::mul32(65536, 32768); }), rt::err::Overflow);
    EXPECT_EQ(errorNumberOf([] { rt::mul32(kMin32, -1); }), rt::err::Overflow);
}

TEST(CheckedMath, SixteenBitResultsAtTheLimitsAreExactAndOneBeyondOverflows)
{
    EXPECT_EQ(rt::add16(kMax16 - 1, 1), kMax16);
    EXPECT_EQ(rt::sub16(kMin16 + 1, 1), kMin16);
    EXPECT_EQ(rt::mul16(-256, 128), kMin16);
    EXPECT_EQ(errorNumberOf([] { rt::add16(kMax16, 1); }), rt::err::Overflow);
    EXPECT_EQ(errorNumberOf([] { rt::sub16(kMin16, 1); }), rt::err::Overflow);
    EXPECT_EQ(errorNumberOf([] { rt::mul16(256, 128); }), rt::err::Overflow);
    EXPECT_EQ(rt::toInt16(-32768), kMin16);
    EXPECT_EQ(rt::toInt16(32767), kMax16);
    EXPECT_EQ(errorNumberOf([] { rt::toInt16(32768); }), rt::err::Overflow);
    EXPECT_EQ(errorNumberOf([] { rt::toInt16(-32769); }), rt::err::Overflow);
    EXPECT_EQ(errorNumberOf([] { rt::toInt32(std::int64_t { kMax32 } + 1); }), rt::err::Overflow);
    EXPECT_EQ(rt::toInt32(kMin32), kMin32);
}

TEST(CheckedMath, IntegerDivisionTruncatesTowardZeroAndChecksItsDivisor)
{
    EXPECT_EQ(rt::div32(1999, 1000), 1);
    EXPECT_EQ(rt::div32(999, 1000), 0);
    EXPECT_EQ(rt::div32(-1500, 1000), -1);
    EXPECT_EQ(rt::div32(1500, -1000), -1);
    EXPECT_EQ(errorNumberOf([] { rt::div32(1, 0); }), rt::err::DivisionByZero);
    EXPECT_EQ(errorNumberOf([] { rt::div32(kMin32, -1); }), rt::err::Overflow);
}

TEST(CheckedMath, HalvesRoundToTheEvenNeighbour)
{
    const std::pair<double, double> cases[] = { { 0.5, 0 }, { 1.5, 2 }, { 2.5, 2 }, { 3.5, 4 },
        { -0.5, -0.0 }, { -1.5, -2 }, { -2.5, -2 }, { 2.4999999, 2 }, { 2.5000001, 3 },
        { 100.5, 100 }, { 101.5, 102 }, { 100.7, 101 }, { 100.2, 100 } };
    for (const auto& [value, expected] : cases)
        EXPECT_EQ(rt::roundHalfEven(value), expected) << value;
}

TEST(CheckedMath, RoundingToThirtyTwoBitsChecksTheRoundedValue)
{
    EXPECT_EQ(rt::roundToInt32(2147483647.4), kMax32);
    EXPECT_EQ(rt::roundToInt32(-2147483648.5), kMin32); // the even neighbour is in range
    EXPECT_EQ(errorNumberOf([] { rt::roundToInt32(2147483647.5); }), rt::err::Overflow);
    EXPECT_EQ(errorNumberOf([] { rt::roundToInt32(2147483648.0); }), rt::err::Overflow);
    EXPECT_EQ(errorNumberOf([] { rt::roundToInt32(-2147483649.0); }), rt::err::Overflow);
    EXPECT_EQ(errorNumberOf([] { rt::roundToInt32(std::nan("")); }), rt::err::Overflow);
    EXPECT_EQ(errorNumberOf([] { rt::roundToInt32(HUGE_VAL); }), rt::err::Overflow);
}

TEST(CheckedMath, DoubleDivisionReportsAZeroDivisor)
{
    EXPECT_DOUBLE_EQ(rt::divide(441000, 10000), 44.1);
    EXPECT_EQ(errorNumberOf([] { rt::divide(5, 0); }), rt::err::DivisionByZero);
    // Nothing divided by nothing has no value at all: the run-time calls that an overflow.
    EXPECT_EQ(errorNumberOf([] { rt::divide(0, 0); }), rt::err::Overflow);
    EXPECT_EQ(errorNumberOf([] { rt::divide(1e300, 1e-300); }), rt::err::Overflow);
}

} // namespace
