#include "MciSession.h"

#include <algorithm>
#include <vector>

using namespace mcitest;
using Clock = std::chrono::steady_clock;

namespace {

std::int64_t msSince(Clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

class PlaybackTest : public MciTest {
protected:
    void SetUp() override { ASSERT_EQ(openAsMovie(fixtures::path("cbr128_60s.mp3")), 0u); }

    // Waits until the position has left `from`, i.e. sound is coming out.
    static void waitForSound(std::int64_t from)
    {
        const auto start = Clock::now();
        while (position() == from && msSince(start) < 2000)
            sleepMs(1);
    }
};

} // namespace

TEST_F(PlaybackTest, PositionFollowsTheClockWhilePlaying)
{
    ASSERT_EQ(send("play movie"), 0u);
    EXPECT_EQ(mode(), "playing");
    waitForSound(0);
    const auto start = Clock::now();
    const std::int64_t first = position();
    sleepMs(1000);
    const std::int64_t advanced = position() - first;
    const std::int64_t elapsed = msSince(start);
    EXPECT_NEAR(double(advanced), double(elapsed), 100.0);
    EXPECT_EQ(mode(), "playing");
}

TEST_F(PlaybackTest, StatusAnswersQuicklyWhilePlaying)
{
    ASSERT_EQ(send("play movie"), 0u);
    waitForSound(0);
    std::vector<double> micros;
    for (int i = 0; i < 2000; ++i) {
        const auto start = Clock::now();
        position();
        micros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    std::sort(micros.begin(), micros.end());
    EXPECT_LT(micros[micros.size() / 2], 100.0);
    EXPECT_LT(micros[micros.size() * 99 / 100], 1000.0);
}

TEST_F(PlaybackTest, PauseHoldsAndPlayOrResumeGoOnFromThere)
{
    ASSERT_EQ(send("play movie"), 0u);
    sleepMs(300);
    ASSERT_EQ(send("pause movie"), 0u);
    EXPECT_EQ(mode(), "paused");
    const std::int64_t paused = position();
    EXPECT_GT(paused, 150);
    sleepMs(300);
    EXPECT_EQ(position(), paused);
    EXPECT_EQ(mode(), "paused");

    ASSERT_EQ(send("play movie"), 0u);
    EXPECT_EQ(mode(), "playing");
    EXPECT_NEAR(double(position()), double(paused), 30.0);
    sleepMs(300);
    EXPECT_NEAR(double(position()), double(paused + 300), 100.0);

    ASSERT_EQ(send("pause movie"), 0u);
    const std::int64_t pausedAgain = position();
    ASSERT_EQ(send("resume movie"), 0u);
    EXPECT_EQ(mode(), "playing");
    sleepMs(300);
    EXPECT_NEAR(double(position()), double(pausedAgain + 300), 100.0);
}

TEST_F(PlaybackTest, StopKeepsThePositionAndSeekMovesWithoutPlaying)
{
    ASSERT_EQ(send("play movie"), 0u);
    sleepMs(300);
    ASSERT_EQ(send("stop movie"), 0u);
    EXPECT_EQ(mode(), "stopped");
    const std::int64_t stopped = position();
    EXPECT_GT(stopped, 150);
    sleepMs(200);
    EXPECT_EQ(position(), stopped);

    ASSERT_EQ(send("seek movie to 42000"), 0u);
    EXPECT_EQ(mode(), "stopped");
    EXPECT_EQ(position(), 42000);
    ASSERT_EQ(send("seek movie to end"), 0u);
    EXPECT_EQ(position(), 60000);
    ASSERT_EQ(send("seek movie to start"), 0u);
    EXPECT_EQ(position(), 0);

    // Seeking a playing device stops it there.
    ASSERT_EQ(send("play movie from 20000"), 0u);
    sleepMs(100);
    ASSERT_EQ(send("seek movie to 30000"), 0u);
    EXPECT_EQ(mode(), "stopped");
    sleepMs(100);
    EXPECT_EQ(position(), 30000);
}

TEST_F(PlaybackTest, PlayFromWhilePlayingJumpsAndKeepsPlaying)
{
    ASSERT_EQ(send("play movie"), 0u);
    sleepMs(200);
    ASSERT_EQ(send("play movie from 45000"), 0u);
    EXPECT_EQ(mode(), "playing");
    EXPECT_NEAR(double(position()), 45000.0, 30.0);
    sleepMs(400);
    EXPECT_NEAR(double(position()), 45400.0, 100.0);
    // And back again, behind where it was.
    ASSERT_EQ(send("play movie from 1000"), 0u);
    sleepMs(200);
    EXPECT_NEAR(double(position()), 1200.0, 100.0);
}

TEST_F(PlaybackTest, StopsAtTheEndOfWhatItPlays)
{
    ASSERT_EQ(send("play movie from 59600"), 0u);
    const auto start = Clock::now();
    while (mode() == "playing" && msSince(start) < 3000)
        sleepMs(10);
    EXPECT_EQ(mode(), "stopped");
    EXPECT_EQ(position(), 60000);
    EXPECT_NEAR(double(msSince(start)), 400.0, 150.0);

    // Playing at the end plays nothing and stays there.
    ASSERT_EQ(send("play movie"), 0u);
    EXPECT_EQ(mode(), "stopped");
    EXPECT_EQ(position(), 60000);

    ASSERT_EQ(send("play movie from 1000 to 1300"), 0u);
    sleepMs(600);
    EXPECT_EQ(mode(), "stopped");
    EXPECT_EQ(position(), 1300);
}

TEST_F(MciTest, PlaysEveryKindOfFileInRealTime)
{
    for (const char* fixture : { "mono22k_10s.mp3", "mpeg25_8k_10s.mp3", "vbr_noinfo_10s.mp3",
             "id3v2_big_10s.mp3", "cbr128_10s.mp3" }) {
        ASSERT_EQ(openAsMovie(fixtures::path(fixture)), 0u) << fixture;
        ASSERT_EQ(send("play movie from 2000"), 0u);
        const auto start = Clock::now();
        sleepMs(400);
        // What is heard lags the command by no more than the sound device's
        // buffer, whatever the file's rate.
        const std::int64_t heard = position() - 2000;
        EXPECT_NEAR(double(heard), double(msSince(start)), 50.0) << fixture;
        EXPECT_EQ(send("close movie"), 0u);
    }
}

TEST_F(MciTest, PlaysOnAcrossADamagedStretch)
{
    TempDir dir;
    std::string bytes = readFile(fixtures::path("cbr128_10s.mp3"));
    // Noise over a few frames around 5 s, and a frame header broken at 5.2 s.
    const std::size_t middle = bytes.size() / 2;
    for (std::size_t i = 0; i < 1500; ++i)
        bytes[middle + i] = char((i * 2654435761u) >> 24);
    const auto damaged = dir / "damaged.mp3";
    writeFile(damaged, bytes);
    ASSERT_EQ(openAsMovie(damaged), 0u);
    ASSERT_EQ(send("play movie from 4700 to 5500"), 0u);
    const auto start = Clock::now();
    while (mode() == "playing" && msSince(start) < 3000)
        sleepMs(10);
    EXPECT_EQ(mode(), "stopped");
    EXPECT_EQ(position(), 5500);
}

TEST_F(MciTest, TwoDevicesPlayAtOnceAndCloseAllStopsBoth)
{
    ASSERT_EQ(send("open \"" + fixtures::path("cbr128_10s.mp3").string() + "\" alias a"), 0u);
    ASSERT_EQ(send("open \"" + fixtures::path("vbr_info_10s.mp3").string() + "\" alias b"), 0u);
    ASSERT_EQ(send("play a"), 0u);
    ASSERT_EQ(send("play b from 5000"), 0u);
    sleepMs(300);
    EXPECT_NEAR(double(number("status a position")), 300.0, 100.0);
    EXPECT_NEAR(double(number("status b position")), 5300.0, 100.0);
    EXPECT_EQ(send("close all"), 0u);
    EXPECT_EQ(send("status a mode"), mci::MCIERR_INVALID_DEVICE_NAME);
}
