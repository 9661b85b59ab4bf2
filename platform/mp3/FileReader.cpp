#include "platform/mp3/FileReader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mp3 {

FileReader::FileReader(const std::filesystem::path& path, std::size_t windowBytes)
    : window_(windowBytes)
{
    const RegularFile file = openRegularFile(path);
    fd_ = file.fd;
    size_ = file.size;
    failure_ = file.failure;
}

FileReader::FileReader(int fd, std::size_t windowBytes)
    : window_(windowBytes)
{
    struct stat status { };
    fd_ = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (fd_ < 0 || ::fstat(fd_, &status) != 0) {
        failure_ = OpenFailure::Unreadable;
        return;
    }
    size_ = status.st_size;
}

FileReader::~FileReader()
{
    if (fd_ >= 0)
        ::close(fd_);
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

const std::uint8_t* FileReader::bytesAt(std::int64_t offset, std::size_t count)
{
    if (fd_ < 0 || offset < 0 || count > window_.size() || offset + std::int64_t(count) > size_)
        return nullptr;
    const std::int64_t windowEnd = windowStart_ + std::int64_t(windowFill_);
    if (offset < windowStart_ || offset + std::int64_t(count) > windowEnd)
        load(offset);
    if (windowFill_ < count)
        return nullptr;
    return window_.data() + (offset - windowStart_);
}

std::size_t FileReader::read(std::int64_t offset, std::uint8_t* out, std::size_t count)
{
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
