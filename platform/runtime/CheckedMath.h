#pragma once

#include <cstdint>

// Integer arithmetic as the handlers expect it: range-checked, raising the
// Overflow or DivisionByZero run-time error instead of wrapping.
namespace rt {

std::int32_t add32(std::int32_t a, std::int32_t b);
std::int32_t sub32(std::int32_t a, std::int32_t b);
std::int32_t mul32(std::int32_t a, std::int32_t b);
// Integer division truncating toward zero (-1500 \ 1000 is -1).
std::int32_t div32(std::int32_t a, std::int32_t b);

std::int16_t add16(std::int16_t a, std::int16_t b);
std::int16_t sub16(std::int16_t a, std::int16_t b);
std::int16_t mul16(std::int16_t a, std::int16_t b);

// Narrowing with a range check.
std::int16_t toInt16(std::int64_t value);
std::int32_t toInt32(std::int64_t value);

// Rounds to the nearest whole number, halves to the even neighbour (2.5 -> 2, 3.5 -> 4).
double roundHalfEven(double value);
// Rounds half-to-even and narrows; Overflow when out of range or not a number.
std::int32_t roundToInt32(double value);
// Double division; DivisionByZero when the divisor is 0.
double divide(double a, double b);

} // namespace rt
