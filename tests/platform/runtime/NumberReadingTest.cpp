#include "platform/runtime/NumberReading.h"

#include <QString>
#include <cmath>
#include <gtest/gtest.h>

namespace {

TEST(NumberReading, ReadsTheNumberAtTheStartAndStopsAtTheFirstOtherCharacter)
{
    const std::pair<QString, double> cases[] = {
        { "215000", 215000 },
        { "   42", 42 },
        { "\t7", 7 },
        { "1999ms", 1999 },
        { "-1500", -1500 },
        { "+12", 12 },
        { "2.5", 2.5 },
        { "-.5", -0.5 },
        { "7.", 7 },
        { "1.2.3", 1.2 },
        { "1 2", 1 },
        { "1e5", 1 }, // an exponent is not part of the reading
        { "0012", 12 },
    };
    for (const auto& [text, expected] : cases)
        EXPECT_DOUBLE_EQ(rt::readNumber(text), expected) << text.toStdString();
}

TEST(NumberReading, TextThatDoesNotBeginWithANumberReadsAsZero)
{
    for (const QString text : { "", "   ", "playing", "-", "+", ".", "-.", "x12", "\u00a012" })
        EXPECT_EQ(rt::readNumber(text), 0.0) << text.toStdString();
}

TEST(NumberReading, TheNulEndingAReplyEndsTheNumberEvenWithDigitsBehindIt)
{
    QString buffer(128, QChar(u'\0'));
    buffer.replace(0, 9, QStringLiteral("999999999"));
    buffer.replace(0, 4, QStringLiteral("1234"));
    buffer[4] = QChar(u'\0');
    EXPECT_EQ(rt::readNumber(buffer), 1234);
}

TEST(NumberReading, AVeryLongRunOfDigitsReadsAsAHugeNumber)
{
    EXPECT_GT(rt::readNumber(QString(127, u'9')), 1e126);
    EXPECT_TRUE(std::isinf(rt::readNumber(QString(400, u'9'))));
    EXPECT_DOUBLE_EQ(rt::readNumber(u"2147483648"), 2147483648.0);
}

} // namespace
