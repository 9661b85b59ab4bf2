#include "tests/editor/WindowTest.h"

#include <QApplication>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QToolTip>
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

// Keys for the work, typed as a user would while the slider has the focus;
// Space presses a button that has the focus instead. A save, whatever its
// end, gives the focus back to Play.
TEST_F(SelectionTest, EachKeyReachesItsHandler)
{
    device.lengthMs = 60'000;
    open(QStringLiteral("/music/a.mp3"));
    form.show();
    QApplication::setActiveWindow(&form);
    form.H.setFocus();
    const auto type = [](QKeySequence keys) {
        QKeyEvent press(QEvent::KeyPress, keys[0].key(), keys[0].keyboardModifiers());
        QApplication::sendEvent(QApplication::focusWidget(), &press);
        QKeyEvent release(QEvent::KeyRelease, keys[0].key(), keys[0].keyboardModifiers());
        QApplication::sendEvent(QApplication::focusWidget(), &release);
    };

    device.moveTo(12'345);
    type(QKeySequence(Qt::Key_S));
    device.moveTo(17'000);
    type(QKeySequence(Qt::Key_E));
    EXPECT_EQ(std::tuple(form.selectionStartMs, form.selectionEndMs), std::tuple(12'345, 17'000));
    type(QKeySequence(Qt::Key_Space));
    EXPECT_FALSE(device.isPlaying());
    EXPECT_EQ(form.Command1.text(), QStringLiteral("Play"));
    type(QKeySequence(Qt::Key_Space));
    EXPECT_TRUE(device.isPlaying());
    type(QKeySequence(Qt::Key_P));
    EXPECT_EQ(device.positionMs(), 17'000.0) << "the preview ran to the end mark";

    h.dialogAnswers.push_back(std::nullopt);
    type(QKeySequence::Save);
    ASSERT_EQ(h.dialogs.size(), 2u);
    EXPECT_EQ(h.dialogs.back().kind, CommonDialog::Kind::Save);
    EXPECT_EQ(QApplication::focusWidget(), &form.Command1);

    h.dialogAnswers.push_back(std::nullopt);
    type(QKeySequence::Open);
    ASSERT_EQ(h.dialogs.size(), 3u);
    EXPECT_EQ(h.dialogs.back().kind, CommonDialog::Kind::Open);

    form.Command2.setFocus();
    device.moveTo(5'000);
    type(QKeySequence(Qt::Key_Space));
    EXPECT_EQ(device.positionMs(), 0.0) << "Space pressed Stop, which has the focus";
}

// The labels show whole seconds; their tips show the marks to the millisecond.
TEST_F(SelectionTest, TheMarkLabelsTipsShowMilliseconds)
{
    const struct {
        std::int32_t startMs, endMs;
        QLabel& label;
        const char* tip;
    } cases[] = {
        { 12'345, 11'045'678, form.Label7, "Start mark: 0:00:12.345" },
        { 12'345, 11'045'678, form.Label9, "End mark: 3:04:05.678" },
        { 12'345, 11'045'678, form.Label3, "Marked length: 3:03:53.333" },
        { 12'345, 12'000, form.Label3, "Marked length: 0:00:00.000" },
    };
    form.show();
    for (const auto& c : cases) {
        std::tie(form.selectionStartMs, form.selectionEndMs) = std::tuple(c.startMs, c.endMs);
        QHelpEvent ask(QEvent::ToolTip, QPoint(1, 1), c.label.mapToGlobal(QPoint(1, 1)));
        QApplication::sendEvent(&c.label, &ask);
        EXPECT_EQ(QToolTip::text().toStdString(), c.tip);
    }
}

} // namespace
