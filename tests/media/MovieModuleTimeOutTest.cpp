#include "media/MovieModule.h"
#include "platform/runtime/ErrorModes.h"
#include "tests/media/ScriptedDevice.h"
#include "tests/platform/runtime/FakeSeams.h"

#include <gtest/gtest.h>

namespace {

struct MovieModuleTimeOut : testing::Test {
    fakes::FakeSeams seams;
    rt::Runtime runtime { seams.seams() };
    fakes::ScriptedDevice device;
    MovieModule movie { runtime, device.function() };

    // Waits from `start` on a clock whose events come every `step` seconds;
    // returns the clock's reading when the wait is over.
    double waitFrom(double start, double duration, double step = 0.01)
    {
        seams.now = start;
        seams.step = step;
        seams.waits = 0;
        movie.timeOut(duration);
        return seams.now;
    }
};

// The wait starts at the whole second nearest the first reading.
TEST_F(MovieModuleTimeOut, EndsHalfASecondOrASecondAfterTheRoundedStart)
{
    const struct {
        double start, duration, end;
    } cases[] = {
        { 100.2, 0.5, 100.5 },
        { 100.7, 0.5, 101.5 },
        { 100.5, 1.0, 101.0 }, // tie goes to the even 100
        { 101.5, 1.0, 103.0 }, // tie goes to the even 102
        { 100.7, 0.0, 101.0 },
        { 100.0, 1.0, 101.0 },
    };
    for (const auto& c : cases) {
        EXPECT_NEAR(waitFrom(c.start, c.duration), c.end, 0.01 + 1e-6)
            << c.start << " + " << c.duration;
        EXPECT_GE(seams.now, c.end - 1e-9) << c.start << " + " << c.duration;
    }
}

TEST_F(MovieModuleTimeOut, ReturnsAtOnceWhenTheRoundedStartIsAlreadyFarEnoughBack)
{
    EXPECT_EQ(waitFrom(100.2, 0.0), 100.2);
    EXPECT_EQ(waitFrom(100.4, 0.25), 100.4);
    EXPECT_EQ(waitFrom(100.3, -1.0), 100.3);
    EXPECT_EQ(seams.waits, 0);
    EXPECT_TRUE(device.calls.empty());
}

TEST_F(MovieModuleTimeOut, SleepsUntilTheEndInsteadOfPolling)
{
    // With no events arriving the wait is one sleep for the whole remainder.
    waitFrom(100.2, 0.5, 0.0);
    EXPECT_EQ(seams.waits, 1);
    ASSERT_EQ(seams.requestedWaits.size(), 1u);
    EXPECT_NEAR(seams.requestedWaits[0], 0.3, 1e-9);
}

TEST_F(MovieModuleTimeOut, AWaitAcrossMidnightEndsWithinTheUsualBounds)
{
    // 86399.7 rounds to 86400, which is midnight itself: a second later is 1.0.
    EXPECT_NEAR(waitFrom(86399.7, 1.0), 1.0, 0.01 + 1e-6);
    // 86399.3 rounds to 86399: the wait ends at midnight.
    const double end = waitFrom(86399.3, 1.0);
    EXPECT_TRUE(end < 0.01 + 1e-6 || end >= 86400 - 1e-6) << end;
    EXPECT_NEAR(waitFrom(86399.9, 0.5, 0.25), 0.5, 0.25 + 1e-6);
}

TEST_F(MovieModuleTimeOut, LetsOtherHandlersUseTheControllerMeanwhile)
{
    int events = 0;
    seams.onWait = [&] {
        if (++events == 3) {
            device.fail(0);
            movie.pauseMovie();
            movie.timeOut(0.5); // a nested wait
        }
    };
    waitFrom(200.0, 1.0, 0.1);
    EXPECT_GE(seams.now, 201.0 - 1e-9);
    EXPECT_EQ(device.commands(), std::vector<std::string> { "pause movie" });
    EXPECT_EQ(movie.Error, 0) << "timeOut itself leaves Error alone";
}

TEST_F(MovieModuleTimeOut, TheEndOfTheProgramStopsTheWaitForGood)
{
    seams.onWait = [&] { runtime.End(); };
    bool resumed = false;
    rt::runHandler(runtime, [&] {
        movie.timeOut(1.0);
        resumed = true;
    });
    EXPECT_FALSE(resumed);
    EXPECT_EQ(seams.waits, 1);
}

} // namespace
