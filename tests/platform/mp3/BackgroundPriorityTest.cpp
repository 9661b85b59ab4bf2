#include "platform/mp3/BackgroundPriority.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

namespace {

struct Priority {
    int policy;
    int nice;
    bool operator==(const Priority&) const = default;
};

Priority ofThisThread()
{
    return { sched_getscheduler(0), getpriority(PRIO_PROCESS, static_cast<id_t>(gettid())) };
}

// Only the background thread stands back: the threads beside it, the
// window's and the sound's among them, keep their turn.
TEST(BackgroundPriority, LowersTheCallingThreadOnly)
{
    const Priority before = ofThisThread();
    Priority background {};
    std::thread([&] {
        mp3::standBackForInteractiveThreads();
        background = ofThisThread();
    }).join();
    EXPECT_EQ(background, (Priority { SCHED_BATCH, std::max(before.nice, 10) }));
    EXPECT_EQ(ofThisThread(), before);
}

} // namespace
