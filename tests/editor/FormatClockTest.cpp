#include "editor/Form1.h"

#include <gtest/gtest.h>

namespace {

struct ClockCase {
    std::int32_t seconds;
    const char* text;
};

// The worked examples of the clock text, 16-bit range included at both ends.
constexpr ClockCase kWorkedExamples[] = {
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
};

TEST(FormatClock, MatchesTheWorkedExamples)
{
    for (const ClockCase& example : kWorkedExamples)
        EXPECT_EQ(Form1::FormatClock(example.seconds).toStdString(), example.text)
            << "for " << example.seconds;
}

// Marks and positions of nine hours and more are shown with their true hours
// instead of failing to convert.
TEST(FormatClock, ShowsTrueHoursBeyondSixteenBits)
{
    EXPECT_EQ(Form1::FormatClock(32768).toStdString(), " 9 : 6 : 8");
    EXPECT_EQ(Form1::FormatClock(40000).toStdString(), " 11 : 6 : 40");
    EXPECT_EQ(Form1::FormatClock(-40000).toStdString(), "-11 :-6 :-40");
    EXPECT_EQ(Form1::FormatClock(2147483647).toStdString(), " 596523 : 14 : 7");
    EXPECT_EQ(Form1::FormatClock(-2147483647 - 1).toStdString(), "-596523 :-14 :-8");
}

// Every 16-bit input agrees with the rule: hours, minutes and seconds put back
// together give the input, and each part is in its range.
TEST(FormatClock, PartsRecombineForEverySixteenBitInput)
{
    for (std::int32_t s = -32768; s <= 32767; ++s) {
        const QStringList parts = Form1::FormatClock(s).split(QStringLiteral(" :"));
        ASSERT_EQ(parts.size(), 3) << s;
        const int hours = parts[0].trimmed().toInt();
        const int minutes = parts[1].trimmed().toInt();
        const int secs = parts[2].trimmed().toInt();
        ASSERT_EQ(hours * 3600 + minutes * 60 + secs, s);
        ASSERT_LT(std::abs(minutes), 60) << s;
        ASSERT_LT(std::abs(secs), 60) << s;
    }
}

} // namespace
