#include "editor/Form1.h"

#include "tests/editor/PretendPlayer.h"
#include "tests/support/FormHarness.h"

#include <gtest/gtest.h>

namespace {

using Commands = std::vector<std::string>;

// A file open and playing on the pretend device, fake clock: each pass of the
// preview wait moves the clock, and so the playing position, 200 ms on.
class PreviewTest : public ::testing::Test {
protected:
    harness::FormHarness h;
    PretendPlayer device { h };
    Form1& form = h.form();

    PreviewTest()
    {
        device.lengthMs = 60'000;
        h.dialogAnswers.push_back(QStringLiteral("/music/a.mp3"));
        form.Command4.click();
    }

    void selectAt(std::int32_t startMs, std::int32_t endMs)
    {
        form.selectionStartMs = startMs;
        form.selectionEndMs = endMs;
    }

    // Runs `action` once, in the n-th wait from now (1 is the next one).
    void inWait(int n, std::function<void()> action)
    {
        const int at = h.waits + n;
        h.duringWait = [this, at, action = std::move(action)](double) {
            if (h.waits == at)
                action();
        };
    }
};

TEST_F(PreviewTest, WrongSelectionIsRefusedAndNothingMoves)
{
    for (auto [start, end] : { std::pair { 0, 0 }, std::pair { 5'000, 4'999 } }) {
        selectAt(start, end);
        const std::size_t mark = h.mci.commands.size();
        h.messages.clear();

        form.Command9.click();

        ASSERT_EQ(h.messages.size(), 1u);
        EXPECT_EQ(h.messages[0].prompt, QStringLiteral("Wrong Selection"));
        EXPECT_EQ(h.messages[0].buttons, rt::MsgBoxButtons::OkOnly);
        EXPECT_EQ(h.mci.commands.size(), mark) << "no device command";
        EXPECT_EQ(form.Command1.text(), QStringLiteral("Pause"));
    }
}

TEST_F(PreviewTest, SelectEndDuringThePreviewEndsItThere)
{
    selectAt(1'000, 30'000);
    double clickedAt = 0;
    inWait(3, [&] {
        clickedAt = device.positionMs();
        h.mci.commands.clear();
        form.Command6.click();
    });

    form.Command9.click();

    EXPECT_EQ(form.selectionEndMs, static_cast<std::int32_t>(clickedAt));
    EXPECT_LT(form.selectionEndMs, 2'000);
    EXPECT_EQ(h.mci.commands,
        (Commands { "set movie time format ms", "status movie position wait", // Select End
            "set movie time format ms", "status movie position wait", // the next pass
            "pause movie" }))
        << "the wait ends at its next pass";
    EXPECT_LE(device.positionMs(), clickedAt + 300);
    EXPECT_EQ(form.Command1.text(), QStringLiteral("Play"));
}

TEST_F(PreviewTest, ClosingTheWindowDuringThePreviewEndsAtOnce)
{
    selectAt(1'000, 30'000);
    inWait(2, [&] { form.close(); });

    form.Command9.click();

    EXPECT_EQ(h.quitRequests, 1);
    EXPECT_EQ(h.mci.commands.back(), "close all") << "the loop does not resume";
    EXPECT_EQ(form.Command1.text(), QStringLiteral("Pause"));
    EXPECT_TRUE(h.messages.empty());

    form.Command1.click(); // no handler runs once the program is ending
    EXPECT_EQ(h.mci.commands.back(), "close all");
}

// Positions past nine hours used to end the preview with an overflow.
TEST_F(PreviewTest, PositionLabelWorksBeyondNineHours)
{
    device.lengthMs = 12 * 3600 * 1000;
    form.H.setMaximum(12 * 3600);
    form.H.setValue(36'000);
    selectAt(36'000'000, 36'000'400);

    form.Command9.click();

    EXPECT_TRUE(h.messages.empty());
    EXPECT_EQ(form.Label4.text(), QStringLiteral(" 10 : 0 : 0"));
    EXPECT_EQ(h.mci.commands.back(), "pause movie");
}

} // namespace
