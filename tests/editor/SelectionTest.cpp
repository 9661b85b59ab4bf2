#include "editor/Form1.h"

#include "tests/support/FormHarness.h"

#include <gtest/gtest.h>

namespace {

// The mark buttons take whatever position the device reports at the click.
class SelectionTest : public ::testing::Test {
protected:
    harness::FormHarness h;
    Form1& form = h.form();
    std::int64_t devicePositionMs = 0;

    SelectionTest()
    {
        h.mci.fallback = [this](const std::string& command) {
            harness::RecordingMci::Reply reply;
            if (command == "status movie position wait")
                reply.text = std::to_string(devicePositionMs);
            return reply;
        };
    }

    void markAt(QPushButton& button, std::int64_t positionMs)
    {
        devicePositionMs = positionMs;
        button.click();
    }
    void selectStartAt(std::int64_t ms) { markAt(form.Command5, ms); }
    void selectEndAt(std::int64_t ms) { markAt(form.Command6, ms); }
};

TEST_F(SelectionTest, MarksShowWholeSecondsAndTheLengthIsTheirDifference)
{
    selectStartAt(1'900);
    EXPECT_EQ(form.selectionStartMs, 1'900);
    EXPECT_EQ(form.Label7.text(), QStringLiteral(" 0 : 0 : 1"));
    EXPECT_EQ(form.Label3.text(), QStringLiteral("0 : 0 : 0")) << "no end mark yet";

    selectEndAt(3'100);
    EXPECT_EQ(form.selectionEndMs, 3'100);
    EXPECT_EQ(form.Label9.text(), QStringLiteral(" 0 : 0 : 3"));
    EXPECT_EQ(form.Label3.text(), QStringLiteral(" 0 : 0 : 2"))
        << "3 - 1 whole seconds, not 1,200 ms cut to 1";
    EXPECT_EQ(form.Label7.text(), QStringLiteral(" 0 : 0 : 1")) << "the other mark stays";
    EXPECT_TRUE(h.messages.empty());
}

TEST_F(SelectionTest, LengthShowsOnlyWhileTheStartIsBeforeTheEnd)
{
    selectEndAt(5'400); // before any start: the start is 0
    EXPECT_EQ(form.Label3.text(), QStringLiteral(" 0 : 0 : 5"));

    selectStartAt(5'400);
    EXPECT_EQ(form.Label3.text(), QStringLiteral("0 : 0 : 0")) << "equal marks";

    selectStartAt(7'000);
    EXPECT_EQ(form.Label3.text(), QStringLiteral("0 : 0 : 0")) << "end before start";
    EXPECT_EQ(form.selectionStartMs, 7'000);
    EXPECT_EQ(form.selectionEndMs, 5'400);

    selectEndAt(61'999);
    EXPECT_EQ(form.Label9.text(), QStringLiteral(" 0 : 1 : 1"));
    EXPECT_EQ(form.Label3.text(), QStringLiteral(" 0 : 0 : 54"));
}

// Marks past nine hours used to end the handler with an overflow.
TEST_F(SelectionTest, MarksBeyondNineHoursShowTheirTrueHours)
{
    selectStartAt(32'768'000);
    selectEndAt(40'000'900);
    EXPECT_TRUE(h.messages.empty());
    EXPECT_EQ(form.Label7.text(), QStringLiteral(" 9 : 6 : 8"));
    EXPECT_EQ(form.Label9.text(), QStringLiteral(" 11 : 6 : 40"));
    EXPECT_EQ(form.Label3.text(), QStringLiteral(" 2 : 0 : 32"));
}

} // namespace
