#include "platform/runtime/CheckedMath.h"

#include "platform/runtime/RuntimeError.h"

#include <cmath>
#include <limits>

namespace rt {

namespace {

    template <class Narrow> Narrow narrow(std::int64_t value)
    {
        if (value < std::numeric_limits<Narrow>::min()
            || value > std::numeric_limits<Narrow>::max())
            raise(err::Overflow);
        return static_cast<Narrow>(value);
    }

} // namespace

// 64-bit intermediates hold every sum, difference and product of two 32-bit
// operands exactly, so a range check of the result is all that is needed.
std::int32_t add32(std::int32_t a, std::int32_t b)
{
    return narrow<std::int32_t>(std::int64_t { a } + b);
}

std::int32_t sub32(std::int32_t a, std::int32_t b)
{
    return narrow<std::int32_t>(std::int64_t { a } - b);
}

std::int32_t mul32(std::int32_t a, std::int32_t b)
{
    return narrow<std::int32_t>(std::int64_t { a } * b);
}

std::int32_t div32(std::int32_t a, std::int32_t b)
{
    if (b == 0)
        raise(err::DivisionByZero);
    // The only quotient out of range is the smallest number divided by -1.
    return narrow<std::int32_t>(std::int64_t { a } / b);
}

std::int16_t add16(std::int16_t a, std::int16_t b)
{
    return narrow<std::int16_t>(std::int64_t { a } + b);
}

std::int16_t sub16(std::int16_t a, std::int16_t b)
{
    return narrow<std::int16_t>(std::int64_t { a } - b);
}

std::int16_t mul16(std::int16_t a, std::int16_t b)
{
    return narrow<std::int16_t>(std::int64_t { a } * b);
}

std::int16_t toInt16(std::int64_t value)
{
    return narrow<std::int16_t>(value);
}

std::int32_t toInt32(std::int64_t value)
{
    return narrow<std::int32_t>(value);
}

double roundHalfEven(double value)
{
    if (!std::isfinite(value))
        return value;
    const double nearest = std::round(value); // halves away from zero
    if (std::fabs(value - std::trunc(value)) == 0.5)
        return 2.0 * std::round(value / 2.0);
    return nearest;
}

std::int32_t roundToInt32(double value)
{
    const double rounded = roundHalfEven(value);
    // NaN fails both comparisons and so lands here too.
    if (!(rounded >= std::numeric_limits<std::int32_t>::min()
            && rounded <= std::numeric_limits<std::int32_t>::max()))
        raise(err::Overflow);
    return static_cast<std::int32_t>(rounded);
}

double divide(double a, double b)
{
    if (b == 0.0)
        raise(a == 0.0 || std::isnan(a) ? err::Overflow : err::DivisionByZero);
    const double quotient = a / b;
    if (!std::isfinite(quotient))
        raise(err::Overflow);
    return quotient;
}

} // namespace rt
