#include "editor/OffWindowThread.h"

#include <gtest/gtest.h>
#include <stdexcept>
#include <thread>

namespace {

using namespace std::chrono_literals;

// The work here ends only once the window has run its events three times, so
// work done on the window thread itself would never see them run.
TEST(OffWindowThread, TheWindowRunsItsEventsUntilTheWorkIsDone)
{
    std::promise<void> threeRounds;
    int rounds = 0;
    const auto workThread = runOffWindowThread(
        [done = threeRounds.get_future()] {
            done.wait_for(10s);
            return std::this_thread::get_id();
        },
        [&] {
            if (++rounds == 3)
                threeRounds.set_value();
        });
    EXPECT_NE(workThread, std::this_thread::get_id());
    EXPECT_GE(rounds, 3);
    EXPECT_THROW(
        runOffWindowThread([]() -> int { throw std::runtime_error("sync failed"); }, [] {}),
        std::runtime_error);
}

// A window closed during the wait ends it, but only after the work, which may
// still use what the unwinding frees.
TEST(OffWindowThread, AClosedWindowStillWaitsForTheWork)
{
    bool workDone = false;
    EXPECT_THROW(runOffWindowThread(
                     [&] {
                         std::this_thread::sleep_for(50ms);
                         workDone = true;
                         return 0;
                     },
                     [] { throw std::runtime_error("closed"); }),
        std::runtime_error);
    EXPECT_TRUE(workDone);
}

} // namespace
