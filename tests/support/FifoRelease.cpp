#include "tests/support/FifoRelease.h"

#include <condition_variable>
#include <fcntl.h>
#include <mutex>
#include <unistd.h>

namespace fifos {

void releaseFifoReader(const std::filesystem::path& fifo)
{
    const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
    if (fd >= 0)
        ::close(fd);
}

FifoReleaser::FifoReleaser(std::filesystem::path fifo, std::chrono::milliseconds after)
    : thread_([fifo = std::move(fifo), after](std::stop_token stop) {
        std::mutex mutex;
        std::condition_variable_any wake;
        std::unique_lock lock(mutex);
        wake.wait_for(lock, stop, after, [] { return false; });
        if (!stop.stop_requested())
            releaseFifoReader(fifo);
    })
{
}

} // namespace fifos
