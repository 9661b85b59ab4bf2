#include "platform/runtime/CheckedMath.h"
#include "tests/support/RaisedError.h"

#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <limits>

namespace {

constexpr std::int32_t kMax32 = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin32 = std::numeric_limits<std::int32_t>::min();
constexpr std::int16_t kMax16 = std::numeric_limits<std::int16_t>::max();
constexpr std::int16_t kMin16 = std::numeric_limits<std::int16_t>::min();

using Call = std::function<double()>;

TEST(CheckedMath, ResultsAtTheLimitsAreExact)
{
    const std::pair<Call, double> cases[] = {
        { [] { return rt::add32(kMax32 - 1, 1); }, kMax32 },
        { [] { return rt::sub32(kMin32 + 1, 1); }, kMin32 },
        { [] { return rt::mul32(-65536, 32768); }, kMin32 },
        { [] { return rt::add16(kMax16 - 1, 1); }, kMax16 },
        { [] { return rt::sub16(kMin16 + 1, 1); }, kMin16 },
        { [] { return rt::mul16(-256, 128); }, kMin16 },
        { [] { return rt::toInt16(-32768); }, kMin16 },
        { [] { return rt::toInt16(32767); }, kMax16 },
        { [] { return rt::toInt32(kMin32); }, kMin32 },
        // Integer division truncates toward zero.
        { [] { return rt::div32(1999, 1000); }, 1 },
        { [] { return rt::div32(999, 1000); }, 0 },
        { [] { return rt::div32(-1500, 1000); }, -1 },
        { [] { return rt::div32(1500, -1000); }, -1 },
        { [] { return rt::roundToInt32(2147483647.4); }, kMax32 },
        { [] { return rt::roundToInt32(-2147483648.5); }, kMin32 }, // the even neighbour fits
        { [] { return rt::divide(441000, 10000); }, 44.1 },
    };
    for (std::size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(cases[i].first(), cases[i].second) << "case " << i;
}

TEST(CheckedMath, OneBeyondTheLimitsOrAZeroDivisorRaises)
{
    using namespace rt::err;
    const std::pair<Call, int> cases[] = {
        { [] { return rt::add32(kMax32, 1); }, Overflow },
        { [] { return rt::sub32(kMin32, 1); }, Overflow },
        { [] { return rt::mul32(65536, 32768); }, Overflow },
        { [] { return rt::mul32(kMin32, -1); }, Overflow },
        { [] { return rt::add16(kMax16, 1); }, Overflow },
        { [] { return rt::sub16(kMin16, 1); }, Overflow },
        { [] { return rt::mul16(256, 128); }, Overflow },
        { [] { return rt::toInt16(32768); }, Overflow },
        { [] { return rt::toInt16(-32769); }, Overflow },
        { [] { return rt::toInt32(std::int64_t { kMax32 } + 1); }, Overflow },
        { [] { return rt::div32(1, 0); }, DivisionByZero },
        { [] { return rt::div32(kMin32, -1); }, Overflow },
        { [] { return rt::roundToInt32(2147483647.5); }, Overflow },
        { [] { return rt::roundToInt32(2147483648.0); }, Overflow },
        { [] { return rt::roundToInt32(-2147483649.0); }, Overflow },
        { [] { return rt::roundToInt32(std::nan("")); }, Overflow },
        { [] { return rt::roundToInt32(HUGE_VAL); }, Overflow },
        { [] { return rt::divide(5, 0); }, DivisionByZero },
        // Nothing divided by nothing has no value at all: the run-time calls that an overflow.
        { [] { return rt::divide(0, 0); }, Overflow },
        { [] { return rt::divide(1e300, 1e-300); }, Overflow },
    };
    for (std::size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(expect::raisedError(cases[i].first), cases[i].second) << "case " << i;
}

TEST(CheckedMath, HalvesRoundToTheEvenNeighbour)
{
    const std::pair<double, double> cases[] = { { 0.5, 0 }, { 1.5, 2 }, { 2.5, 2 }, { 3.5, 4 },
        { -0.5, -0.0 }, { -1.5, -2 }, { -2.5, -2 }, { 2.4999999, 2 }, { 2.5000001, 3 },
        { 100.5, 100 }, { 101.5, 102 }, { 100.7, 101 }, { 100.2, 100 } };
    for (const auto& [value, expected] : cases)
        EXPECT_EQ(rt::roundHalfEven(value), expected) << value;
}

} // namespace
