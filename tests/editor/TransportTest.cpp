#include "editor/Form1.h"

#include "platform/runtime/WindowHandle.h"
#include "tests/editor/PretendPlayer.h"
#include "tests/support/FormHarness.h"

#include <gtest/gtest.h>

namespace {

using Commands = std::vector<std::string>;

// A window over the pretend device, with the fake clock.
class TransportTest : public ::testing::Test {
protected:
    harness::FormHarness h;
    PretendPlayer device { h };
    Form1& form = h.form();

    // Commands sent since `mark` (an index into the record).
    Commands sentSince(std::size_t mark) const
    {
        return Commands(
            h.mci.commands.begin() + static_cast<std::ptrdiff_t>(mark), h.mci.commands.end());
    }

    void open(const QString& path)
    {
        h.dialogAnswers.push_back(path);
        form.Command4.click();
    }

    void setMarks(std::int32_t startMs, std::int32_t endMs)
    {
        form.selectionStartMs = startMs;
        form.selectionEndMs = endMs;
        form.Label7.setText(QStringLiteral("start"));
        form.Label9.setText(QStringLiteral("end"));
        form.Label3.setText(QStringLiteral("length"));
    }
};

TEST_F(TransportTest, OpenClosesTheOldDeviceResetsTheMarksAndPlays)
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
            "play movie", "set movie time format ms", "status movie length" }));
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
}

TEST_F(TransportTest, CancelledOpenLeavesThePausedFileAndItsMarks)
{
    open(QStringLiteral("/music/a.mp3"));
    setMarks(1000, 2000);
    const std::size_t mark = h.mci.commands.size();

    h.dialogAnswers.push_back(std::nullopt);
    form.Command4.click();

    EXPECT_EQ(sentSince(mark), Commands { "pause movie" });
    EXPECT_TRUE(device.isOpen());
    EXPECT_EQ(form.Command1.text(), QStringLiteral("Play"));
    EXPECT_FALSE(form.T.Enabled());
    EXPECT_EQ(form.selectionStartMs, 1000);
    EXPECT_EQ(form.selectionEndMs, 2000);
    EXPECT_EQ(form.Label7.text(), QStringLiteral("start"));
    EXPECT_EQ(form.sourcePath, QStringLiteral("/music/a.mp3"));
    EXPECT_TRUE(h.messages.empty()) << "a cancel is no error";
}

TEST_F(TransportTest, SecondOpenWhilePlayingShowsTheDialogWithPlaybackPaused)
{
    open(QStringLiteral("/music/a.mp3"));
    h.now += 6;
    bool playingDuringDialog = true;
    QString captionDuringDialog;
    bool timerDuringDialog = true;
    form.Cdlg.setChooser([&](CommonDialog::Kind, const CommonDialog&) {
        playingDuringDialog = device.isPlaying();
        captionDuringDialog = form.Command1.text();
        timerDuringDialog = form.T.Enabled();
        return std::optional<QString>(QStringLiteral("/music/b.mp3"));
    });
    const std::size_t mark = h.mci.commands.size();

    form.Command4.click();

    EXPECT_FALSE(playingDuringDialog);
    EXPECT_EQ(captionDuringDialog, QStringLiteral("Play"));
    EXPECT_FALSE(timerDuringDialog);
    const Commands sent = sentSince(mark);
    ASSERT_GE(sent.size(), 4u);
    EXPECT_EQ(sent[1], "close all") << "the old device closes before the new one opens";
    EXPECT_EQ(sent[3].rfind("open \"/music/b.mp3\"", 0), 0u);
    EXPECT_EQ(form.sourcePath, QStringLiteral("/music/b.mp3"));
    EXPECT_EQ(form.Command1.text(), QStringLiteral("Pause"));
    EXPECT_LT(device.positionMs(), 2000) << "the new file starts at its beginning";
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
    EXPECT_EQ(std::count(h.mci.commands.begin() + static_cast<std::ptrdiff_t>(mark),
                  h.mci.commands.end(), "play movie"),
        0);
    EXPECT_EQ(h.mci.commands.back().rfind("open \"/music/broken.mp3\"", 0), 0u)
        << "nothing is sent after the refused open";

    // The window stays usable: the next file opens as usual.
    device.openResult = 0;
    open(QStringLiteral("/music/c.mp3"));
    EXPECT_EQ(h.messages.size(), 1u);
    EXPECT_EQ(form.sourcePath, QStringLiteral("/music/c.mp3"));
    EXPECT_EQ(form.Command1.text(), QStringLiteral("Pause"));
}

// Nine hours and more used to freeze the position label.
TEST_F(TransportTest, TickFollowsThePositionBeyondNineHours)
{
    device.lengthMs = 12 * 3600 * 1000;
    open(QStringLiteral("/music/long.mp3"));
    EXPECT_EQ(form.H.maximum(), 12 * 3600);

    device.moveTo(7'600);
    form.T_Timer();
    EXPECT_EQ(form.H.value(), 7);
    EXPECT_EQ(form.Label4.text(), QStringLiteral(" 0 : 0 : 7"));
    device.moveTo(36'000'500.0);
    form.T_Timer();
    EXPECT_EQ(form.H.value(), 36'000);
    EXPECT_EQ(form.Label4.text(), QStringLiteral(" 10 : 0 : 0"));
    device.moveTo(32'768'000.0);
    form.T_Timer();
    EXPECT_EQ(form.Label4.text(), QStringLiteral(" 9 : 6 : 8"));
}

} // namespace
