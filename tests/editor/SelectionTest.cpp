#include "tests/editor/WindowTest.h"

#include <tuple>

namespace {

using SelectionTest = WindowTest;

// The mark buttons take the position the device reports at the click. The
// marks show whole seconds, and the length shows the difference of those
// whole seconds while the start is before the end, else zero. Marks past nine
// hours, more seconds than a 16-bit count holds, show and count alike.
TEST_F(SelectionTest, MarksShowWholeSecondsAndTheLengthTheirDifference)
{
    device.lengthMs = 12 * 3600 * 1000;
    open(QStringLiteral("/music/long.mp3"));
    const struct {
        bool start; // Select Start, else Select End
        std::int32_t atMs;
        const char *startText, *endText, *lengthText;
    } steps[] = {
        { false, 5'400, "0 : 0 : 0", " 0 : 0 : 5", " 0 : 0 : 5" }, // no start yet: it is 0
        { true, 5'400, " 0 : 0 : 5", " 0 : 0 : 5", "0 : 0 : 0" }, // equal marks
        { false, 5'400, " 0 : 0 : 5", " 0 : 0 : 5", "0 : 0 : 0" },
        { true, 7'000, " 0 : 0 : 7", " 0 : 0 : 5", "0 : 0 : 0" }, // end before start
        { false, 61'999, " 0 : 0 : 7", " 0 : 1 : 1", " 0 : 0 : 54" },
        { false, 3'100, " 0 : 0 : 7", " 0 : 0 : 3", "0 : 0 : 0" },
        // Whole seconds apart, not 1,200 or 2,100 ms cut to whole seconds.
        { true, 1'900, " 0 : 0 : 1", " 0 : 0 : 3", " 0 : 0 : 2" },
        { false, 4'000, " 0 : 0 : 1", " 0 : 0 : 4", " 0 : 0 : 3" },
        { true, 32'768'000, " 9 : 6 : 8", " 0 : 0 : 4", "0 : 0 : 0" },
        { false, 40'000'900, " 9 : 6 : 8", " 11 : 6 : 40", " 2 : 0 : 32" },
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.atMs);
        device.moveTo(step.atMs);
        (step.start ? form.Command5 : form.Command6).click();
        EXPECT_EQ(step.start ? form.selectionStartMs : form.selectionEndMs, step.atMs);
        EXPECT_EQ(form.Label7.text().toStdString(), step.startText);
        EXPECT_EQ(form.Label9.text().toStdString(), step.endText);
        EXPECT_EQ(form.Label3.text().toStdString(), step.lengthText);
    }
    EXPECT_TRUE(h.messages.empty());
}

// "Play Selected" and "Save" refuse a start that is not before the end; Save
// also an end at 0. Nothing moves, nothing is asked, nothing is locked.
TEST_F(SelectionTest, WrongSelectionsAreRefusedAndChangeNothing)
{
    open(QStringLiteral("/music/a.mp3"));
    const std::tuple<QPushButton*, std::int32_t, std::int32_t> cases[] = {
        { &form.Command9, 0, 0 },
        { &form.Command9, 5'000, 4'999 },
        { &form.Command7, 0, 0 },
        { &form.Command7, 5'000, 5'000 },
        { &form.Command7, 6'000, 5'000 },
        { &form.Command7, -5, 0 },
    };
    for (const auto& [button, start, end] : cases) {
        SCOPED_TRACE(testing::Message() << button->text().toStdString() << " " << start);
        setMarks(start, end);
        const std::size_t mark = h.mci.commands.size();
        h.messages.clear();
        button->click();
        ASSERT_EQ(h.messages.size(), 1u);
        EXPECT_EQ(h.messages[0].prompt, QStringLiteral("Wrong Selection"));
        EXPECT_EQ(h.messages[0].buttons, rt::MsgBoxButtons::OkOnly);
        EXPECT_EQ(sentSince(mark), Commands {});
        EXPECT_EQ(std::tuple(form.selectionStartMs, form.selectionEndMs), std::tuple(start, end));
        EXPECT_EQ(form.Command1.text(), QStringLiteral("Pause"));
        EXPECT_TRUE(button->isEnabled());
    }
    EXPECT_EQ(h.dialogs.size(), 1u) << "only the Open dialog";
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Trimora"));
}

} // namespace
