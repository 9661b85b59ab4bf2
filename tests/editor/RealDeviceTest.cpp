#include "editor/Form1.h"

#include "tests/support/Fixtures.h"
#include "tests/support/FormHarness.h"
#include "tests/support/RealTime.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cstdlib>
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

// How long an independent decoder finds an MP3 to play, in seconds, or a
// negative number when it cannot decode it.
double decodedSeconds(const QString& file)
{
    QProcess decoder;
    decoder.start(QStringLiteral("mpg123"), { QStringLiteral("-t"), QStringLiteral("-v"), file });
    if (!decoder.waitForFinished(30'000) || decoder.exitCode() != 0)
        return -1;
    // The progress line of the last frame: "> 381+000  00:09.95+00:00.00 ...".
    static const QRegularExpression progress(QStringLiteral("(\\d+):(\\d+\\.\\d+)\\+\\d+:"));
    double seconds = -1;
    for (const auto& match :
        progress.globalMatch(QString::fromUtf8(decoder.readAllStandardError())))
        seconds = match.captured(1).toInt() * 60 + match.captured(2).toDouble();
    return seconds;
}

// The window on the real MP3 device and the wall clock; sound goes to SDL's
// dummy driver, which plays in real time.
class RealDeviceTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { setenv("SDL_AUDIODRIVER", "dummy", 0); } // no sound card

    harness::FormHarness h { harness::FormHarness::World::Real };
    Form1& form = h.form();

    void open(const QString& path)
    {
        h.dialogAnswers.push_back(path);
        form.Command4.click();
    }
    void openFixture(const std::string& name)
    {
        open(QString::fromStdString(fixtures::path(name).string()));
    }

    std::int32_t position() { return form.movie->getPositionInMS(); }
    bool playing() { return form.movie->isMoviePlaying() == -1; }
    void letPlay(double seconds) { h.runtime().WaitFor(seconds); }
};

// The transport's and the preview's waits idle between events rather than
// spinning.
TEST_F(RealDeviceTest, TransportPreviewAndRewindAtTheEndOfTheFile)
{
    QElapsedTimer wall;
    wall.start();
    const double cpuBefore = threadCpuSeconds();

    const auto command = realtime::Reading::command(0);
    openFixture("cbr128_10s.mp3");
    // A busy machine may keep the first sound back past Open's own wait.
    auto opened = realtime::Reading::take([&] { return position(); });
    for (int i = 0; i < 200 && opened.positionMs == 0; ++i) {
        letPlay(0.01);
        opened = realtime::Reading::take([&] { return position(); });
    }
    EXPECT_TRUE(realtime::startedInTime(command, opened));
    ASSERT_TRUE(h.messages.empty());
    EXPECT_TRUE(playing());
    EXPECT_EQ(form.H.maximum(), 10);
    EXPECT_EQ(form.Command1.text(), QStringLiteral("Pause"));
    letPlay(0.8);

    const auto beforePause = realtime::Reading::take([&] { return position(); });
    EXPECT_TRUE(realtime::keptTime(opened, beforePause, realtime::kPlayingLagMs));
    form.Command1.click(); // pause, then a wait of about a second
    EXPECT_FALSE(playing());
    const std::int32_t pausedAt = position();
    EXPECT_GE(pausedAt, beforePause.positionMs);

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
    const double cpu = threadCpuSeconds() - cpuBefore;
    EXPECT_LT(cpu, 0.25 * wall.elapsed() / 1000.0) << cpu << " s of processor time";

    // The preview ends on the end mark's sample: the device stops there itself.
    form.selectionStartMs = 3'000;
    form.selectionEndMs = 4'200;
    QString captionWhilePlaying;
    bool timerWhilePlaying = false;
    h.duringWait = [&] {
        captionWhilePlaying = form.Command1.text();
        timerWhilePlaying = form.T.Enabled();
    };
    wall.restart();
    const auto previewStart = realtime::Moment::now();
    const double previewCpuBefore = threadCpuSeconds();
    form.Command9.click();
    const double previewCpu = threadCpuSeconds() - previewCpuBefore;
    const double seconds = wall.elapsed() / 1000.0;
    // Time the window's thread or the sound's could not run stretches both.
    const double waitedMs = realtime::waitedMs(previewStart, realtime::Moment::now());
    h.duringWait = nullptr;
    EXPECT_FALSE(playing());
    EXPECT_EQ(position(), 4'200);
    EXPECT_GT(seconds, 1.0);
    EXPECT_LT(seconds, 2.0 + waitedMs / 1000)
        << "plays from the start mark, not from where the device stood";
    EXPECT_LT(previewCpu, 0.25 * seconds) << previewCpu << " s of processor time in " << seconds;
    EXPECT_EQ(captionWhilePlaying, QStringLiteral("Pause"));
    EXPECT_TRUE(timerWhilePlaying);
    EXPECT_EQ(form.Command1.text(), QStringLiteral("Play"));
    EXPECT_TRUE(form.T.Enabled()) << "the ticks keep the slider at the paused position";

    // A tick at the end of the file rewinds; a device that had stopped stays stopped.
    form.Command1.click();
    form.movie->setPositionTo(9'700);
    while (playing())
        letPlay(0.05);
    form.T_Timer();
    EXPECT_EQ(form.H.value(), 0);
    EXPECT_EQ(form.Command1.text(), QStringLiteral("Play"));
    EXPECT_EQ(position(), 0);
    EXPECT_FALSE(playing());
}

// Press stops the ticks, release brings them back only while playing, and the
// click moves the device to the thumb's whole second. A clip cut from the file
// then plays for about the marked time: from the frame holding the start mark
// (or a frame or two before it, for the bit reservoir) to the frame that
// completes the end mark, plus what the last block of 4096 bytes, 256 ms at
// 128 kbit/s, carries past it.
TEST_F(RealDeviceTest, DragMovesPlaybackAndAClipDecodesToTheMarkedLength)
{
    openFixture("cbr128_60s.mp3");
    // The slider's events as a drag raises them; the slider's own test has
    // them come from the mouse.
    bool timerWhileHeld = true;
    const auto dragThumbTo = [&](int second) {
        emit form.H.MouseDown(Slider::vbLeftButton, 0, 0, 0);
        timerWhileHeld = form.T.Enabled();
        form.H.setValue(second);
        emit form.H.MouseUp(Slider::vbLeftButton, 0, 0, 0);
        emit form.H.Click();
    };

    dragThumbTo(30);
    EXPECT_FALSE(timerWhileHeld);
    EXPECT_TRUE(form.T.Enabled());
    EXPECT_TRUE(playing());
    EXPECT_GE(position(), 30'000);
    EXPECT_LT(position(), 31'000);

    form.Command1.click(); // pause
    form.Label4.setText(QStringLiteral("paused"));
    dragThumbTo(12);
    EXPECT_FALSE(form.T.Enabled()) << "a paused device gets no ticks";
    EXPECT_FALSE(playing());
    EXPECT_EQ(position(), 12'000);
    EXPECT_EQ(form.Label4.text(), QStringLiteral("paused")) << "only a tick changes it";

    QTemporaryDir dir;
    const QString clip = dir.filePath(QStringLiteral("clip.mp3"));
    form.selectionStartMs = 10'000;
    form.selectionEndMs = 19'983;
    h.dialogAnswers.push_back(clip);
    form.Command7.click();
    ASSERT_EQ(h.messages.size(), 1u);
    EXPECT_EQ(h.messages[0].prompt, QStringLiteral("Clip Saved"));
    constexpr double kFrameSeconds = 1152.0 / 44'100;
    const double seconds = decodedSeconds(clip);
    EXPECT_GE(seconds, 9.983 - kFrameSeconds);
    EXPECT_LE(seconds, 9.983 + 4096.0 / 16'000 + 3 * kFrameSeconds);
}

} // namespace
