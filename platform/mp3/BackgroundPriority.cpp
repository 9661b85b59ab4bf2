#include "platform/mp3/BackgroundPriority.h"

#include <algorithm>
#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

namespace mp3 {

void standBackForInteractiveThreads()
{
    // Neither call needs a privilege, and either failing leaves the thread as
    // it was, which is only slower to give way. A program started at a nice
    // value above 10 keeps it.
    sched_param batch {};
    pthread_setschedparam(pthread_self(), SCHED_BATCH, &batch);
    const auto thread = static_cast<id_t>(gettid());
    setpriority(PRIO_PROCESS, thread, std::max(getpriority(PRIO_PROCESS, thread), 10));
}

} // namespace mp3
