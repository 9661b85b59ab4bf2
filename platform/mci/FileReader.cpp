#include "platform/mci/FileReader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mci {

FileReader::FileReader(const std::filesystem::path& path, std::size_t windowBytes)
    : window_(windowBytes)
{
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat info { };
    if (fd_ >= 0 && (::fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode))) {
        ::close(fd_);
        fd_ = -1;
    }
    if (fd_ >= 0)
        size_ = info.st_size;
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
        if (offset < windowStart_ || offset >= windowStart_ + std::int64_t(windowFill_))
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

} // namespace mci
