#include "platform/runtime/WindowHandle.h"
#include "tests/editor/WindowTest.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyleOptionSlider>
#include <chrono>
#include <future>

namespace {

using TransportTest = WindowTest;

TEST_F(TransportTest, OpenPausesForTheDialogThenClosesTheOldDeviceResetsTheMarksAndPlays)
{
    device.lengthMs = 125'400;
    setMarks(1000, 2000);
    form.Label4.setText(QStringLiteral("position"));
    form.H.setValue(7);

    open(QStringLiteral("/music/a b.mp3"));

    const std::string parent = std::to_string(rt::windowHandle(form.P));
    EXPECT_EQ(h.mci.commands,
        (Commands { "pause movie", "close all", "close movie",
            "open \"/music/a b.mp3\" type mpegvideo alias movie parent " + parent + " style child ",
            "play movie", "set movie time format ms", "status movie length",
            "status movie audio" }));
    ASSERT_EQ(h.dialogs.size(), 1u);
    EXPECT_EQ(h.dialogs[0].kind, CommonDialog::Kind::Open);
    EXPECT_EQ(h.dialogs[0].filter, QStringLiteral("MP3 Files (*.mp3)|*.mp3|All Files (*.*)|*.*"));
    EXPECT_TRUE(device.isPlaying());
    EXPECT_EQ(form.Command1.text(), QStringLiteral("Pause"));
    EXPECT_TRUE(form.T.Enabled());
    EXPECT_EQ(form.H.maximum(), 125);
    EXPECT_EQ(form.H.value(), 0);
    EXPECT_EQ(form.selectionStartMs, 0);
    EXPECT_EQ(form.selectionEndMs, 0);
    for (QLabel* label : { &form.Label7, &form.Label9, &form.Label3 })
        EXPECT_EQ(label->text(), QStringLiteral("0 : 0 : 0"));
    EXPECT_EQ(form.Label4.text(), QStringLiteral("position")) << "the next tick rewrites it";
    EXPECT_EQ(form.sourcePath, QStringLiteral("/music/a b.mp3"));
    EXPECT_TRUE(form.Cdlg.FileName.isEmpty()) << "the next dialog starts empty";
    EXPECT_TRUE(h.messages.empty());

    // The dialog of a second open shows with playback paused; a cancel
    // leaves the paused file and its marks.
    h.now += 6;
    setMarks(1000, 2000);
    std::size_t mark = h.mci.commands.size();
    bool playingDuringDialog = true;
    QString captionDuringDialog;
    bool timerDuringDialog = true;
    h.duringDialog = [&] {
        playingDuringDialog = device.isPlaying();
        captionDuringDialog = form.Command1.text();
        timerDuringDialog = form.T.Enabled();
    };
    h.dialogAnswers.push_back(std::nullopt);
    form.Command4.click();
    EXPECT_FALSE(playingDuringDialog);
    EXPECT_EQ(captionDuringDialog, QStringLiteral("Play"));
    EXPECT_FALSE(timerDuringDialog);
    EXPECT_EQ(sentSince(mark), Commands { "pause movie" });
    EXPECT_TRUE(device.open);
    EXPECT_EQ(form.Command1.text(), QStringLiteral("Play"));
    EXPECT_FALSE(form.T.Enabled());
    EXPECT_EQ(form.selectionStartMs, 1000);
    EXPECT_EQ(form.selectionEndMs, 2000);
    EXPECT_EQ(form.Label7.text(), QStringLiteral("start"));
    EXPECT_EQ(form.sourcePath, QStringLiteral("/music/a b.mp3"));
    EXPECT_TRUE(h.messages.empty()) << "a cancel is no error";

    // The next file: the old device closes before the new one opens, and the
    // new file starts at its beginning.
    mark = h.mci.commands.size();
    open(QStringLiteral("/music/b.mp3"));
    const Commands sent = sentSince(mark);
    ASSERT_GE(sent.size(), 4u);
    EXPECT_EQ(sent[1], "close all");
    EXPECT_TRUE(sent[3].starts_with("open \"/music/b.mp3\""));
    EXPECT_EQ(form.sourcePath, QStringLiteral("/music/b.mp3"));
    EXPECT_EQ(form.Command1.text(), QStringLiteral("Pause"));
    EXPECT_LT(device.positionMs(), 2000);
}

// The window's events run while the device reads a long file, but nothing
// may act on a file then: a mark would take the old file's last position, a
// save would cut the old file, a second Open would race the first. Each
// working control is clicked (the slider through its keys) during the open;
// only "Website" answers.
TEST_F(TransportTest, NothingActsOnAFileWhileItOpens)
{
    open(QStringLiteral("/music/a.mp3"));
    device.moveTo(7'000);
    form.T_Timer();
    std::promise<void> clicked;
    const std::shared_future<void> done = clicked.get_future().share();
    h.mci.answer = [pretend = h.mci.answer, done](const std::string& command) {
        if (command.starts_with("open \"/music/long.mp3\""))
            done.wait_for(std::chrono::seconds(10)); // without events, never released
        return pretend(command);
    };
    bool clickedDuringOpen = false;
    h.duringWait = [&] {
        if (clickedDuringOpen || !form.movie->isOpening())
            return;
        clickedDuringOpen = true;
        for (QPushButton* button : { &form.Command5, &form.Command6, &form.Command9, &form.Command7,
                 &form.Command1, &form.Command2, &form.Command4, &form.Command3 })
            button->click();
        QKeyEvent end(QEvent::KeyPress, Qt::Key_End, Qt::NoModifier);
        QApplication::sendEvent(&form.H, &end);
        clicked.set_value();
    };
    const std::size_t mark = h.mci.commands.size();

    open(QStringLiteral("/music/long.mp3"));

    ASSERT_TRUE(clickedDuringOpen);
    EXPECT_EQ(form.selectionStartMs, 0);
    EXPECT_EQ(form.selectionEndMs, 0);
    for (QLabel* label : { &form.Label7, &form.Label9, &form.Label3 })
        EXPECT_EQ(label->text(), QStringLiteral("0 : 0 : 0"));
    EXPECT_EQ(said(), "");
    EXPECT_EQ(h.dialogs.size(), 2u) << "no second Open";
    EXPECT_EQ(h.shellStarts.size(), 1u) << "Website still answers";
    const Commands sent = sentSince(mark);
    EXPECT_EQ(std::vector(sent.begin() + 3, sent.end()),
        (Commands { sent[3], "play movie", "set movie time format ms", "status movie length",
            "status movie audio" }));
    EXPECT_EQ(form.Command1.text(), QStringLiteral("Pause"));
    EXPECT_TRUE(device.isPlaying());
    EXPECT_EQ(form.H.value(), 0);
    // Unlocked again once the file is open.
    EXPECT_TRUE(form.Command5.isEnabled() && form.H.isEnabled());
}

// A file the device refuses must not look as if it played.
TEST_F(TransportTest, FileTheDeviceCannotOpenIsReportedAndNothingRuns)
{
    open(QStringLiteral("/music/a.mp3"));
    setMarks(1000, 2000);
    device.openResult = 277;
    const std::size_t mark = h.mci.commands.size();

    open(QStringLiteral("/music/broken.mp3"));

    ASSERT_EQ(h.messages.size(), 1u);
    EXPECT_EQ(h.messages[0].prompt, QStringLiteral("Cannot play this file."));
    EXPECT_EQ(h.messages[0].buttons, rt::MsgBoxButtons::OkOnly);
    EXPECT_EQ(form.Command1.text(), QStringLiteral("Play"));
    EXPECT_FALSE(form.T.Enabled());
    EXPECT_TRUE(form.sourcePath.isEmpty()) << "Save must not cut the old file";
    EXPECT_EQ(form.selectionStartMs, 0);
    EXPECT_EQ(form.selectionEndMs, 0);
    EXPECT_EQ(form.Label3.text(), QStringLiteral("0 : 0 : 0"));
    const Commands sent = sentSince(mark);
    EXPECT_EQ(std::count(sent.begin(), sent.end(), "play movie"), 0);
    EXPECT_TRUE(sent.back().starts_with("open \"/music/broken.mp3\""))
        << "nothing is sent after the refused open";

    // The window stays usable: the next file opens as usual.
    device.openResult = 0;
    open(QStringLiteral("/music/c.mp3"));
    EXPECT_EQ(h.messages.size(), 1u);
    EXPECT_EQ(form.sourcePath, QStringLiteral("/music/c.mp3"));
    EXPECT_EQ(form.Command1.text(), QStringLiteral("Pause"));
}

// Nine hours and more, more seconds than a 16-bit count holds, neither
// freeze the position label of the ticks nor end the preview.
TEST_F(TransportTest, TickAndPreviewFollowThePositionBeyondNineHours)
{
    device.lengthMs = 12 * 3600 * 1000;
    open(QStringLiteral("/music/long.mp3"));
    EXPECT_EQ(form.H.maximum(), 12 * 3600);
    const struct {
        double atMs;
        int slider;
        const char* label;
    } ticks[] = { { 7'600, 7, " 0 : 0 : 7" }, { 36'000'500.0, 36'000, " 10 : 0 : 0" },
        { 32'768'000.0, 32'768, " 9 : 6 : 8" } };
    for (const auto& tick : ticks) {
        device.moveTo(tick.atMs);
        form.T_Timer();
        EXPECT_EQ(form.H.value(), tick.slider);
        EXPECT_EQ(form.Label4.text().toStdString(), tick.label);
    }

    form.H.setValue(36'000);
    form.Label4.clear();
    setMarks(36'000'000, 36'000'400);
    form.Command9.click();
    EXPECT_TRUE(h.messages.empty());
    EXPECT_EQ(form.Label4.text(), QStringLiteral(" 10 : 0 : 0"));
    EXPECT_EQ(h.mci.commands.back(), "pause movie");
}

// The slider's keys move the sound as a drag does, so the next tick finds
// the thumb where the key left it; End, like reaching the end, rewinds.
TEST_F(TransportTest, SliderKeysSeekTheDevice)
{
    device.lengthMs = 125'400;
    open(QStringLiteral("/music/a.mp3"));
    device.moveTo(20'000);
    form.T_Timer();
    const struct {
        Qt::Key key;
        int second;
    } keys[] = { { Qt::Key_Right, 21 }, { Qt::Key_PageUp, 26 }, { Qt::Key_Left, 25 },
        { Qt::Key_PageDown, 20 }, { Qt::Key_Home, 0 }, { Qt::Key_End, 125 } };
    for (const auto& key : keys) {
        QKeyEvent press(QEvent::KeyPress, key.key, Qt::NoModifier);
        QApplication::sendEvent(&form.H, &press);
        EXPECT_EQ(device.positionMs(), key.second * 1000.0) << key.key;
        form.T_Timer();
        EXPECT_EQ(form.H.value(), key.second == 125 ? 0 : key.second) << key.key;
    }
    EXPECT_EQ(device.positionMs(), 0.0);
    EXPECT_EQ(form.Command1.text(), QStringLiteral("Play"));
}

// A click in the groove, away from the thumb, moves the sound to where it was
// clicked; the ticks, off while the button is held, come back after it.
TEST_F(TransportTest, AClickInTheGrooveSeeksToWhereItWasClicked)
{
    device.lengthMs = 100'000;
    open(QStringLiteral("/music/a.mp3"));
    QStyleOptionSlider option;
    option.initFrom(&form.H);
    option.maximum = form.H.maximum();
    const auto rect = [&](QStyle::SubControl part) {
        return form.H.style()->subControlRect(QStyle::CC_Slider, &option, part, &form.H);
    };
    const QRect groove = rect(QStyle::SC_SliderGroove);
    const int thumb = rect(QStyle::SC_SliderHandle).width();
    const QPoint at(
        groove.left() + thumb / 2 + (groove.width() - thumb) * 3 / 4, groove.center().y());
    bool timerWhileHeld = true;
    QObject::connect(&form.H, &Slider::MouseDown, [&] { timerWhileHeld = form.T.Enabled(); });
    for (const auto type : { QEvent::MouseButtonPress, QEvent::MouseButtonRelease }) {
        QMouseEvent event(type, at, form.H.mapToGlobal(at), Qt::LeftButton,
            type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(&form.H, &event);
    }
    EXPECT_EQ(device.positionMs(), 75'000.0);
    EXPECT_FALSE(timerWhileHeld);
    EXPECT_TRUE(form.T.Enabled());
}

// Pause stops the ticks. A file shorter than a second cannot be paused
// meaningfully: the button keeps offering "Play", and a tick finds the end
// and rewinds.
TEST_F(TransportTest, FileShorterThanASecondKeepsOfferingPlay)
{
    device.lengthMs = 500;
    open(QStringLiteral("/music/short.mp3"));
    EXPECT_EQ(form.H.maximum(), 0);
    form.Command1.click(); // pause
    EXPECT_FALSE(form.T.Enabled()) << "a paused device gets no ticks";
    form.Command1.click(); // play
    EXPECT_EQ(form.Command1.text(), QStringLiteral("Play"));
    EXPECT_TRUE(form.T.Enabled());
    // The slider's range is 0 to 0, so every tick is at the end and rewinds
    // the device.
    h.now += 0.3;
    ASSERT_GT(device.positionMs(), 0);
    form.T_Timer();
    EXPECT_EQ(device.positionMs(), 0);
}

// Stop stops first and lets the device settle for a second before it
// rewinds: a seek sent at once could land before the stop takes hold.
TEST_F(TransportTest, StopStopsWaitsASecondThenRewindsAndResetsTheClock)
{
    open(QStringLiteral("/music/a.mp3"));
    h.now += 4.2;
    form.T_Timer();
    ASSERT_EQ(form.Label4.text(), QStringLiteral(" 0 : 0 : 4"));

    const std::size_t mark = h.mci.commands.size();
    const double before = h.now;
    Commands sentBeforeWait;
    QString labelDuringWait;
    int sliderDuringWait = -1;
    h.duringWait = [&] {
        if (!sentBeforeWait.empty())
            return;
        sentBeforeWait = sentSince(mark);
        labelDuringWait = form.Label4.text();
        sliderDuringWait = form.H.value();
    };
    form.Command2.click();

    EXPECT_EQ(sentBeforeWait, Commands { "stop movie" });
    EXPECT_EQ(labelDuringWait, QStringLiteral(" 0 : 0 : 4"));
    EXPECT_EQ(sliderDuringWait, 4);
    EXPECT_GE(h.now - before, 1.0 - 0.5) << "the pacing wait counts whole seconds";
    EXPECT_EQ(sentSince(mark).back(), "seek movie to 0");
    EXPECT_EQ(device.positionMs(), 0);
    EXPECT_EQ(form.H.value(), 0);
    EXPECT_EQ(form.Label4.text(), QStringLiteral("0 : 0 : 0"));
    EXPECT_EQ(form.Command1.text(), QStringLiteral("Play"));
    EXPECT_FALSE(form.T.Enabled());
}

} // namespace

// A device that plays without sound is said to once, in the information
// panel; a device with sound says nothing there.
TEST_F(TransportTest, OpenSaysOnceInThePanelWhenNothingCanBeHeard)
{
    const QString notice
        = QStringLiteral("No sound device could be opened: playing without sound.");
    open(QStringLiteral("/music/a.mp3"));
    EXPECT_FALSE(form.WebBrowser1.toPlainText().contains(notice));
    device.soundOff = true;
    open(QStringLiteral("/music/a.mp3"));
    open(QStringLiteral("/music/b.mp3"));
    EXPECT_TRUE(form.WebBrowser1.toPlainText().startsWith(notice + u'\n'));
    EXPECT_EQ(form.WebBrowser1.toPlainText().count(notice), 1);
    EXPECT_EQ(h.mci.count("status movie audio"), 2u);
}
