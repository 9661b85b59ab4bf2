#include "MciSession.h"
#include "tests/support/RealTime.h"

#include <algorithm>
#include <vector>

using namespace mcitest;
using realtime::keptTime;
using realtime::kPlayingLagMs;
using realtime::Reading;
using realtime::startedInTime;
using Clock = std::chrono::steady_clock;

namespace {

std::int64_t msSince(Clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// Sends a play command and waits for its sound: the first reading of
// `position` past the place it plays from, which must come in time.
Reading playAndListen(
    const std::string& command, std::int64_t fromMs, const std::function<std::int64_t()>& position)
{
    const Reading sent = Reading::command(fromMs);
    EXPECT_EQ(mci::mciSendString(command.c_str(), nullptr, 0, 0), 0u) << command;
    Reading started = Reading::take(position);
    while (started.positionMs == fromMs && msSince(sent.before.wall) < 2000) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        started = Reading::take(position);
    }
    EXPECT_TRUE(startedInTime(sent, started)) << command;
    return started;
}

class PlaybackTest : public MciTest {
protected:
    void SetUp() override { ASSERT_EQ(openAsMovie(fixtures::path("cbr128_60s.mp3")), 0u); }

    static Reading now() { return Reading::take(position); }
    static Reading play(const std::string& command, std::int64_t fromMs)
    {
        return playAndListen(command, fromMs, position);
    }
};

} // namespace

TEST_F(PlaybackTest, PositionFollowsTheClockWhilePlaying)
{
    const Reading first = play("play movie", 0);
    EXPECT_EQ(mode(), "playing");
    sleepMs(1000);
    EXPECT_TRUE(keptTime(first, now(), kPlayingLagMs));
    EXPECT_EQ(mode(), "playing");
}

TEST_F(PlaybackTest, StatusAnswersQuicklyWhilePlaying)
{
    play("play movie", 0);
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
    const Reading sent = play("play movie", 0);
    sleepMs(300);
    const Reading paused = Reading::take([] {
        EXPECT_EQ(send("pause movie"), 0u);
        return position();
    });
    EXPECT_TRUE(keptTime(sent, paused, kPlayingLagMs));
    EXPECT_EQ(mode(), "paused");
    // Long enough for the idle sound stream to close: the play that follows
    // opens a new one.
    sleepMs(1300);
    EXPECT_EQ(position(), paused.positionMs);
    EXPECT_EQ(mode(), "paused");

    const Reading resumed = play("play movie", paused.positionMs);
    EXPECT_EQ(mode(), "playing");
    sleepMs(300);
    EXPECT_TRUE(keptTime(resumed, now(), kPlayingLagMs));

    ASSERT_EQ(send("pause movie"), 0u);
    const Reading resumedAgain = play("resume movie", position());
    EXPECT_EQ(mode(), "playing");
    sleepMs(300);
    EXPECT_TRUE(keptTime(resumedAgain, now(), kPlayingLagMs));
}

TEST_F(PlaybackTest, StopKeepsThePositionAndSeekMovesWithoutPlaying)
{
    const Reading sent = play("play movie", 0);
    sleepMs(300);
    const Reading stopped = Reading::take([] {
        EXPECT_EQ(send("stop movie"), 0u);
        return position();
    });
    EXPECT_TRUE(keptTime(sent, stopped, kPlayingLagMs));
    EXPECT_EQ(mode(), "stopped");
    sleepMs(200);
    EXPECT_EQ(position(), stopped.positionMs);

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
    const Reading jumped = play("play movie from 45000", 45000);
    EXPECT_EQ(mode(), "playing");
    EXPECT_TRUE(keptTime(jumped, now(), kPlayingLagMs));
    sleepMs(400);
    EXPECT_TRUE(keptTime(jumped, now(), kPlayingLagMs));
    // And back again, behind where it was.
    const Reading back = play("play movie from 1000", 1000);
    sleepMs(400);
    EXPECT_TRUE(keptTime(back, now(), kPlayingLagMs));
}

TEST_F(PlaybackTest, StopsAtTheEndOfWhatItPlays)
{
    const Reading sent = play("play movie from 59600", 59600);
    sleepMs(100);
    EXPECT_TRUE(keptTime(sent, now(), kPlayingLagMs));
    // The end came after the last look that found the device playing and
    // before the first that did not.
    Reading end = sent;
    for (bool playing = true; playing && msSince(sent.before.wall) < 3000;) {
        sleepMs(10);
        const auto asked = realtime::Moment::now();
        playing = mode() == "playing";
        (playing ? end.before : end.after) = asked;
    }
    end.after = realtime::Moment::now();
    end.positionMs = position();
    EXPECT_EQ(mode(), "stopped");
    EXPECT_EQ(end.positionMs, 60000);
    EXPECT_TRUE(keptTime(sent, end, kPlayingLagMs));

    // Playing at the end plays nothing and stays there.
    ASSERT_EQ(send("play movie"), 0u);
    EXPECT_EQ(mode(), "stopped");
    EXPECT_EQ(position(), 60000);

    ASSERT_EQ(send("play movie from 1000 to 1300"), 0u);
    const auto start = Clock::now();
    while (mode() == "playing" && msSince(start) < 3000)
        sleepMs(10);
    EXPECT_EQ(mode(), "stopped");
    EXPECT_EQ(position(), 1300);
}

TEST_F(MciTest, PlaysEveryKindOfFileInRealTime)
{
    for (const char* fixture : { "mono22k_10s.mp3", "mpeg25_8k_10s.mp3", "vbr_noinfo_10s.mp3",
             "id3v2_big_10s.mp3", "cbr128_10s.mp3" }) {
        ASSERT_EQ(openAsMovie(fixtures::path(fixture)), 0u) << fixture;
        const Reading started = playAndListen("play movie from 2000", 2000, position);
        sleepMs(400);
        // Whatever the file's rate, what is heard follows the clock.
        EXPECT_TRUE(keptTime(started, Reading::take(position), kPlayingLagMs)) << fixture;
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
    const auto positionOfA = [] { return number("status a position"); };
    const auto positionOfB = [] { return number("status b position"); };
    const Reading startedA = playAndListen("play a", 0, positionOfA);
    const Reading startedB = playAndListen("play b from 5000", 5000, positionOfB);
    sleepMs(500);
    EXPECT_TRUE(keptTime(startedA, Reading::take(positionOfA), kPlayingLagMs));
    EXPECT_TRUE(keptTime(startedB, Reading::take(positionOfB), kPlayingLagMs));
    EXPECT_EQ(send("close all"), 0u);
    EXPECT_EQ(send("status a mode"), mci::MCIERR_INVALID_DEVICE_NAME);
}
