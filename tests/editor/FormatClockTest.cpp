#include "editor/Form1.h"

#include <gtest/gtest.h>

namespace {

// The worked examples of the clock text, 16-bit range included at both ends.
// Marks and positions of nine hours and more are shown with their true hours
// instead of failing to convert.
TEST(FormatClock, MatchesTheWorkedExamplesAndShowsTrueHoursBeyondSixteenBits)
{
    const std::pair<std::int32_t, const char*> examples[] = {
        { 0, " 0 : 0 : 0" },
        { 5, " 0 : 0 : 5" },
        { 59, " 0 : 0 : 59" },
        { 60, " 0 : 1 : 0" },
        { 600, " 0 : 10 : 0" },
        { 3599, " 0 : 59 : 59" },
        { 3600, " 1 : 0 : 0" },
        { 3725, " 1 : 2 : 5" },
        { 32767, " 9 : 6 : 7" },
        { -1, " 0 : 0 :-1" },
        { -125, " 0 :-2 :-5" },
        { -3725, "-1 :-2 :-5" },
        { -32768, "-9 :-6 :-8" },
        { 32768, " 9 : 6 : 8" },
        { 40000, " 11 : 6 : 40" },
        { -40000, "-11 :-6 :-40" },
        { 2147483647, " 596523 : 14 : 7" },
        { -2147483647 - 1, "-596523 :-14 :-8" },
    };
    for (const auto& [seconds, text] : examples)
        EXPECT_EQ(Form1::FormatClock(seconds).toStdString(), text) << "for " << seconds;
}

// Every 16-bit input agrees with the rule: hours, minutes and seconds put back
// together give the input, and each part is in its range.
TEST(FormatClock, PartsRecombineForEverySixteenBitInput)
{
    for (std::int32_t s = -32768; s <= 32767; ++s) {
        const QStringList parts = Form1::FormatClock(s).split(QStringLiteral(" :"));
        ASSERT_EQ(parts.size(), 3) << s;
        const int minutes = parts[1].trimmed().toInt();
        const int secs = parts[2].trimmed().toInt();
        ASSERT_EQ(parts[0].trimmed().toInt() * 3600 + minutes * 60 + secs, s);
        ASSERT_LT(std::abs(minutes), 60) << s;
        ASSERT_LT(std::abs(secs), 60) << s;
    }
}

} // namespace
