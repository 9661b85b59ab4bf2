#include "editor/ProcessorShare.h"

#include <gtest/gtest.h>
#include <thread>
#include <time.h>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

std::chrono::nanoseconds threadTime()
{
    timespec used {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &used);
    return std::chrono::seconds(used.tv_sec) + std::chrono::nanoseconds(used.tv_nsec);
}

// Keeps the processor busy for `amount` of this thread's own time.
void work(std::chrono::nanoseconds amount)
{
    for (const auto until = threadTime() + amount; threadTime() < until;)
        ;
}

// A busy machine only lowers the share a thread gets, so the bound holds there too.
TEST(ProcessorShare, WorkKeepsToItsShare)
{
    const auto start = Clock::now();
    const auto startUsed = threadTime();
    ProcessorShare share;
    while (Clock::now() - start < 400ms) {
        work(2ms);
        ASSERT_TRUE(share.keepTo(0.25, {}));
    }
    const double used = double((threadTime() - startUsed).count());
    EXPECT_LE(used / double((Clock::now() - start).count()), 0.3);
}

TEST(ProcessorShare, AStopEndsTheSleepAtOnce)
{
    std::stop_source stop;
    ProcessorShare share;
    work(20ms); // at a thousandth of a processor: 20 s of sleep
    std::jthread stopper([&] {
        std::this_thread::sleep_for(50ms);
        stop.request_stop();
    });
    const auto start = Clock::now();
    EXPECT_FALSE(share.keepTo(0.001, stop.get_token()));
    EXPECT_LT(Clock::now() - start, 5s);
}

} // namespace
