#include "editor/Form1.h"

#include "tests/support/Fixtures.h"
#include "tests/support/FormHarness.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/resource.h>

namespace {

// Processor time this thread has used, in seconds. The device decodes and
// plays on threads of its own; only the window's thread is measured.
double threadCpuSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_THREAD, &usage);
    const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// The window on the real MP3 device and the wall clock; sound goes to SDL's
// dummy driver, which plays in real time.
class TransportOnDeviceTest : public ::testing::Test {
protected:
    harness::FormHarness h { { harness::FormHarness::Device::Real,
        harness::FormHarness::Clock::Real } };
    Form1& form = h.form();

    void open(const std::string& fixture)
    {
        h.dialogAnswers.push_back(QString::fromStdString(fixtures::path(fixture).string()));
        form.Command4.click();
    }

    std::int32_t position() { return form.movie->getPositionInMS(); }
    bool playing() { return form.movie->isMoviePlaying() == -1; }
    void letPlay(double seconds) { h.runtime().WaitFor(seconds); }
};

TEST_F(TransportOnDeviceTest, PauseThenPlayContinuesAndStopThenPlayStartsOver)
{
    QElapsedTimer wall;
    wall.start();
    const double cpuBefore = threadCpuSeconds();

    open("cbr128_10s.mp3");
    ASSERT_TRUE(h.messages.empty());
    EXPECT_TRUE(playing());
    EXPECT_EQ(form.H.maximum(), 10);
    EXPECT_EQ(form.Command1.text(), QStringLiteral("Pause"));
    letPlay(0.8);

    form.Command1.click(); // pause, then a wait of about a second
    EXPECT_FALSE(playing());
    const std::int32_t pausedAt = position();
    EXPECT_GT(pausedAt, 700);

    form.Command1.click(); // play: goes on from the paused place
    EXPECT_TRUE(playing());
    EXPECT_GE(position(), pausedAt);
    EXPECT_EQ(form.Command1.text(), QStringLiteral("Pause"));

    form.Command2.click(); // stop, wait, back to 0
    EXPECT_FALSE(playing());
    EXPECT_EQ(position(), 0);
    EXPECT_EQ(form.Label4.text(), QStringLiteral("0 : 0 : 0"));

    form.Command1.click();
    EXPECT_TRUE(playing());
    EXPECT_LT(position(), 1'500) << "play after stop starts at the beginning";

    // The transport's waits idle between events rather than spinning.
    const double cpu = threadCpuSeconds() - cpuBefore;
    EXPECT_LT(cpu, 0.25 * wall.elapsed() / 1000.0) << cpu << " s of processor time";
}

TEST_F(TransportOnDeviceTest, TickRewindsAtTheEndOfTheFile)
{
    open("cbr128_10s.mp3");
    form.movie->setPositionTo(9'700);
    while (playing())
        letPlay(0.05);

    form.T_Timer();

    EXPECT_EQ(form.H.value(), 0);
    EXPECT_EQ(form.Command1.text(), QStringLiteral("Play"));
    EXPECT_EQ(position(), 0);
    EXPECT_FALSE(playing()) << "a device that had stopped stays stopped";
}

TEST_F(TransportOnDeviceTest, FileShorterThanASecondKeepsOfferingPlay)
{
    open("short_0_5s.mp3");
    EXPECT_EQ(form.H.maximum(), 0);
    form.Command1.click(); // pause
    form.Command1.click(); // play
    EXPECT_EQ(form.Command1.text(), QStringLiteral("Play"));
    EXPECT_TRUE(form.T.Enabled());

    form.T_Timer();
    EXPECT_EQ(form.H.value(), 0);
    EXPECT_LT(position(), 500);
}

// Press stops the ticks, release brings them back only while playing, and the
// click moves the device to the thumb's whole second.
TEST_F(TransportOnDeviceTest, DragMovesPlaybackWhetherPlayingOrPaused)
{
    open("cbr128_60s.mp3");
    form.show();
    const int y = form.H.height() / 2;
    const auto mouse
        = [&](QEvent::Type type, int x, Qt::MouseButton button, Qt::MouseButtons held) {
              const QPoint at(x, y);
              QMouseEvent event(type, at, form.H.mapToGlobal(at), button, held, Qt::NoModifier);
              QApplication::sendEvent(&form.H, &event);
          };
    bool timerWhileHeld = true;
    const auto dragThumb = [&](int toX) {
        const QRect thumb = form.H.rect(); // the thumb sits at the value's place
        const int fromX = thumb.left() + 3
            + (thumb.width() - 6) * form.H.value() / std::max(1, form.H.maximum());
        mouse(QEvent::MouseButtonPress, fromX, Qt::LeftButton, Qt::LeftButton);
        timerWhileHeld = form.T.Enabled();
        mouse(QEvent::MouseMove, toX, Qt::NoButton, Qt::LeftButton);
        mouse(QEvent::MouseButtonRelease, toX, Qt::LeftButton, Qt::NoButton);
    };

    dragThumb(form.H.width() / 2);
    int second = form.H.value();
    EXPECT_GT(second, 20);
    EXPECT_FALSE(timerWhileHeld);
    EXPECT_TRUE(form.T.Enabled());
    EXPECT_TRUE(playing());
    EXPECT_GE(position(), second * 1000);
    EXPECT_LT(position(), second * 1000 + 1'000);

    form.Command1.click(); // pause
    form.Label4.setText(QStringLiteral("paused"));
    dragThumb(form.H.width() / 5);
    second = form.H.value();
    EXPECT_LT(second, 20);
    EXPECT_FALSE(form.T.Enabled()) << "a paused device gets no ticks";
    EXPECT_FALSE(playing());
    EXPECT_EQ(position(), second * 1000);
    EXPECT_EQ(form.Label4.text(), QStringLiteral("paused")) << "only a tick changes it";
}

TEST_F(TransportOnDeviceTest, PreviewPausesAtTheEndMarkWithoutBusyWaiting)
{
    open("cbr128_10s.mp3");
    form.selectionStartMs = 3'000;
    form.selectionEndMs = 4'200;
    QString captionWhilePlaying;
    bool timerWhilePlaying = false;
    h.duringWait = [&](double) {
        captionWhilePlaying = form.Command1.text();
        timerWhilePlaying = form.T.Enabled();
    };
    QElapsedTimer wall;
    wall.start();
    const double cpuBefore = threadCpuSeconds();

    form.Command9.click();

    const double cpu = threadCpuSeconds() - cpuBefore;
    const double seconds = wall.elapsed() / 1000.0;
    EXPECT_FALSE(playing());
    const std::int32_t pausedAt = position();
    EXPECT_GE(pausedAt, 4'200);
    EXPECT_LE(pausedAt, 4'500) << "pauses within about 300 ms of the end mark";
    EXPECT_GT(seconds, 1.0);
    EXPECT_LT(seconds, 2.0) << "plays from the start mark, not from where the device stood";
    EXPECT_LT(cpu, 0.25 * seconds) << cpu << " s of processor time in " << seconds << " s";
    EXPECT_EQ(captionWhilePlaying, QStringLiteral("Pause"));
    EXPECT_TRUE(timerWhilePlaying);
    EXPECT_EQ(form.Command1.text(), QStringLiteral("Play"));
    EXPECT_TRUE(form.T.Enabled()) << "the ticks keep the slider at the paused position";
}

TEST_F(TransportOnDeviceTest, FileThatIsNoMp3IsReported)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("notes.mp3"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(4096, 'x'));
    file.close();

    h.dialogAnswers.push_back(path);
    form.Command4.click();

    ASSERT_EQ(h.messages.size(), 1u);
    EXPECT_EQ(h.messages[0].prompt, QStringLiteral("Cannot play this file."));
    EXPECT_EQ(form.Command1.text(), QStringLiteral("Play"));
    EXPECT_FALSE(form.T.Enabled());
    EXPECT_TRUE(form.sourcePath.isEmpty());
}

} // namespace
