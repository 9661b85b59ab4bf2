#include "editor/ProcessorShare.h"

#include <algorithm>
#include <condition_variable>
#include <ctime>
#include <mutex>

ProcessorShare::ProcessorShare()
    : lastWall_(Clock::now())
    , lastUsed_(threadTime())
{
}

std::chrono::nanoseconds ProcessorShare::threadTime()
{
    timespec used {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &used);
    return std::chrono::seconds(used.tv_sec) + std::chrono::nanoseconds(used.tv_nsec);
}

bool ProcessorShare::keepTo(double share, std::stop_token stop)
{
    const std::chrono::nanoseconds used = threadTime();
    // Time the machine took away from this thread already counts as rest; a
    // share above one never holds it back.
    const auto until = lastWall_
        + std::chrono::duration_cast<Clock::duration>((used - lastUsed_) / std::min(share, 1.0));
    if (until > Clock::now()) {
        std::mutex mutex;
        std::condition_variable_any wake;
        std::unique_lock lock(mutex);
        wake.wait_until(lock, stop, until, [] { return false; });
    }
    lastUsed_ = used;
    lastWall_ = Clock::now();
    return !stop.stop_requested();
}
