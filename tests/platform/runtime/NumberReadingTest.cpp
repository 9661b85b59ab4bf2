#include "platform/runtime/NumberReading.h"

#include <QString>
#include <gtest/gtest.h>
#include <limits>

namespace {

TEST(NumberReading, ReadsTheNumberAtTheStartAndStopsAtTheFirstOtherCharacter)
{
    // A reply buffer: the NUL ends the number even with digits behind it.
    QString buffer(128, QChar(u'\0'));
    buffer.replace(0, 9, QStringLiteral("123409999"));
    buffer[4] = QChar(u'\0');

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
        { buffer, 1234 },
        { "2147483648", 2147483648.0 },
        { QString(127, u'9'), 1e127 },
        { QString(400, u'9'), std::numeric_limits<double>::infinity() },
        // Text that does not begin with a number reads as 0.
        { "", 0 },
        { "   ", 0 },
        { "playing", 0 },
        { "-", 0 },
        { "+", 0 },
        { ".", 0 },
        { "-.", 0 },
        { "x12", 0 },
        { "\u00a012", 0 },
    };
    for (const auto& [text, expected] : cases)
        EXPECT_DOUBLE_EQ(rt::readNumber(text), expected) << text.left(20).toStdString();
}

} // namespace
