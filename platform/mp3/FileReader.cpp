#include "platform/mp3/FileReader.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <mutex>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mp3 {

namespace {

    // The maps in use, for the bus-error handler to tell a read past the end
    // of a file cut short from any other fault. A fixed table of atomics, as
    // that is all a signal handler may look at; a reader that finds it full
    // reads through its window instead.
    struct GuardedMap {
        std::atomic<std::uintptr_t> begin { 0 };
        std::atomic<std::uintptr_t> end { 0 };
        std::atomic<bool> truncated { false };
    };
    std::array<GuardedMap, 64> guardedMaps;
    struct sigaction previousBusAction { };
    long pageBytes = 4096;

    void onBusError(int signal, siginfo_t* info, void* context)
    {
        const auto address = reinterpret_cast<std::uintptr_t>(info->si_addr);
        for (GuardedMap& map : guardedMaps) {
            const std::uintptr_t begin = map.begin.load();
            if (begin == 0 || address < begin || address >= map.end.load())
                continue;
            // The page now lies past the end of the file: put a page of zeros
            // in its place, and the read that faulted goes on with those.
            void* page = reinterpret_cast<void*>(address & ~std::uintptr_t(pageBytes - 1));
            if (::mmap(page, std::size_t(pageBytes), PROT_READ,
                    MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0)
                != MAP_FAILED) {
                map.truncated.store(true);
                return;
            }
        }
        // Not a map of ours: whoever handled the signal before does, or the
        // default action ends the program as the fault repeats.
        if (previousBusAction.sa_flags & SA_SIGINFO) {
            previousBusAction.sa_sigaction(signal, info, context);
            return;
        }
        if (previousBusAction.sa_handler != SIG_DFL && previousBusAction.sa_handler != SIG_IGN) {
            previousBusAction.sa_handler(signal);
            return;
        }
        ::signal(signal, SIG_DFL);
    }

    void installBusGuard()
    {
        static std::once_flag once;
        std::call_once(once, [] {
            pageBytes = ::sysconf(_SC_PAGESIZE);
            struct sigaction action { };
            action.sa_sigaction = onBusError;
            action.sa_flags = SA_SIGINFO | SA_NODEFER;
            sigemptyset(&action.sa_mask);
            ::sigaction(SIGBUS, &action, &previousBusAction);
        });
    }

    int claimGuard(const std::uint8_t* begin, std::size_t bytes)
    {
        installBusGuard();
        const auto first = reinterpret_cast<std::uintptr_t>(begin);
        for (std::size_t slot = 0; slot < guardedMaps.size(); ++slot) {
            std::uintptr_t free = 0;
            if (guardedMaps[slot].begin.compare_exchange_strong(free, first)) {
                guardedMaps[slot].truncated.store(false);
                guardedMaps[slot].end.store(first + bytes);
                return int(slot);
            }
        }
        return -1;
    }

    void releaseGuard(int slot)
    {
        guardedMaps[std::size_t(slot)].end.store(0);
        guardedMaps[std::size_t(slot)].begin.store(0);
    }

} // namespace

FileReader::FileReader(const std::filesystem::path& path, std::size_t windowBytes)
    : windowBytes_(windowBytes)
{
    const RegularFile file = openRegularFile(path);
    fd_ = file.fd;
    size_ = file.size;
    failure_ = file.failure;
    mapWhole();
}

FileReader::FileReader(int fd, std::size_t windowBytes)
    : windowBytes_(windowBytes)
{
    struct stat status { };
    fd_ = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (fd_ < 0 || ::fstat(fd_, &status) != 0) {
        failure_ = OpenFailure::Unreadable;
        return;
    }
    size_ = status.st_size;
    mapWhole();
}

FileReader::~FileReader()
{
    if (map_) {
        releaseGuard(guardSlot_);
        ::munmap(const_cast<std::uint8_t*>(map_), std::size_t(size_));
    }
    if (fd_ >= 0)
        ::close(fd_);
}

void FileReader::mapWhole()
{
    if (fd_ < 0 || size_ <= 0 || std::uint64_t(size_) > SIZE_MAX / 2) {
        window_.resize(windowBytes_);
        return;
    }
    void* map = ::mmap(nullptr, std::size_t(size_), PROT_READ, MAP_SHARED, fd_, 0);
    if (map != MAP_FAILED) {
        guardSlot_ = claimGuard(static_cast<const std::uint8_t*>(map), std::size_t(size_));
        if (guardSlot_ >= 0) {
            map_ = static_cast<const std::uint8_t*>(map);
            return;
        }
        ::munmap(map, std::size_t(size_));
    }
    window_.resize(windowBytes_);
}

bool FileReader::truncated() const
{
    return map_ && guardedMaps[std::size_t(guardSlot_)].truncated.load();
}

void FileReader::releaseUpTo(std::int64_t offset)
{
    const std::int64_t until = std::max<std::int64_t>(0, offset) & ~std::int64_t(pageBytes - 1);
    if (until > releasedUpTo_)
        ::madvise(const_cast<std::uint8_t*>(map_) + releasedUpTo_,
            std::size_t(until - releasedUpTo_), MADV_DONTNEED);
    // Reading that went back starts letting go from where it went.
    releasedUpTo_ = until;
}

void FileReader::load(std::int64_t offset)
{
    windowStart_ = offset;
    windowFill_ = 0;
    while (windowFill_ < window_.size()) {
        const ssize_t got = ::pread(fd_, window_.data() + windowFill_, window_.size() - windowFill_,
            offset + std::int64_t(windowFill_));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        windowFill_ += std::size_t(got);
    }
}

const std::uint8_t* FileReader::bytesAtUnmapped(std::int64_t offset, std::size_t count)
{
    if (fd_ < 0 || offset < 0 || offset + std::int64_t(count) > size_ || map_)
        return nullptr;
    if (count > window_.size())
        return nullptr;
    const std::int64_t windowEnd = windowStart_ + std::int64_t(windowFill_);
    if (offset < windowStart_ || offset + std::int64_t(count) > windowEnd)
        load(offset);
    if (windowFill_ < count)
        return nullptr;
    return window_.data() + (offset - windowStart_);
}

void FileReader::readAhead(std::int64_t offset)
{
    // The pages ahead are mapped a stretch at a time, with one touch for each
    // group of pages a fault maps together, so that the processor can fetch
    // the lines ahead: it drops a prefetch of a page not yet mapped.
    constexpr std::int64_t kMapAhead = 128 << 10;
    constexpr std::int64_t kLinesAhead = 16 * 1024;
    constexpr std::int64_t kLine = 64;
    // The lines are asked for a short stretch at a time: most frames of a
    // stream find nothing to do, and a burst of a few lines does not fill
    // the processor's queue of fetches the way one of a whole page does.
    constexpr std::int64_t kStretch = 1024;
    if (!map_) {
        readingFrom_ = 0;
        readingDue_ = std::numeric_limits<std::int64_t>::max();
        return;
    }
    readingFrom_ = offset;
    readingDue_ = offset + kStretch;
    if (offset + kMapAhead > mappedAhead_ && mappedAhead_ < size_) {
        const std::int64_t from = std::max(mappedAhead_, offset) & ~std::int64_t(pageBytes - 1);
        const std::int64_t until = std::min(size_, from + 2 * kMapAhead);
        volatile std::uint8_t sink = 0;
        for (std::int64_t at = from; at < until; at += 16 * pageBytes)
            sink = sink + map_[at];
        mappedAhead_ = until;
    }
    const std::int64_t until = std::min(size_, offset + kStretch + kLinesAhead);
    readAhead_ = std::max(readAhead_, offset);
    for (; readAhead_ < until; readAhead_ += kLine)
        __builtin_prefetch(map_ + readAhead_);
}

std::size_t FileReader::read(std::int64_t offset, std::uint8_t* out, std::size_t count)
{
    if (map_) {
        if (offset < 0 || offset >= size_)
            return 0;
        releaseBehind(offset);
        const auto copied
            = std::size_t(std::min<std::int64_t>(std::int64_t(count), size_ - offset));
        std::memcpy(out, map_ + offset, copied);
        return copied;
    }
    std::size_t copied = 0;
    while (copied < count && fd_ >= 0 && offset >= 0 && offset < size_) {
        if (!windowHolds(offset))
            load(offset);
        if (windowFill_ == 0)
            break;
        const std::size_t at = std::size_t(offset - windowStart_);
        const std::size_t piece = std::min(count - copied, windowFill_ - at);
        std::memcpy(out + copied, window_.data() + at, piece);
        copied += piece;
        offset += std::int64_t(piece);
    }
    return copied;
}

std::int64_t FileReader::find(std::uint8_t value, std::int64_t from, std::int64_t end)
{
    end = std::min(end, size_);
    from = std::max<std::int64_t>(from, 0);
    if (map_) {
        if (from >= end)
            return end;
        releaseBehind(from);
        const void* hit = std::memchr(map_ + from, value, std::size_t(end - from));
        return hit ? static_cast<const std::uint8_t*>(hit) - map_ : end;
    }
    while (fd_ >= 0 && from < end) {
        if (!windowHolds(from))
            load(from);
        if (windowFill_ == 0)
            break;
        const std::uint8_t* at = window_.data() + (from - windowStart_);
        const std::size_t span
            = std::size_t(std::min(windowStart_ + std::int64_t(windowFill_), end) - from);
        if (const void* hit = std::memchr(at, value, span))
            return from + (static_cast<const std::uint8_t*>(hit) - at);
        from += std::int64_t(span);
    }
    return end;
}

} // namespace mp3
