#include "platform/audio/SampleRing.h"

#include <algorithm>
#include <cstring>

namespace audio {

SampleRing::SampleRing(std::size_t capacity)
    : buffer_(capacity)
{
}

std::size_t SampleRing::freeSpace() const
{
    return buffer_.size()
        - (written_.load(std::memory_order_relaxed) - read_.load(std::memory_order_acquire));
}

std::size_t SampleRing::filled() const
{
    return written_.load(std::memory_order_acquire) - read_.load(std::memory_order_relaxed);
}

std::span<std::uint8_t> SampleRing::writable()
{
    const std::size_t at = written_.load(std::memory_order_relaxed) % buffer_.size();
    return { buffer_.data() + at, std::min(freeSpace(), buffer_.size() - at) };
}

void SampleRing::publish(std::size_t count)
{
    count = std::min(count, writable().size());
    written_.store(written_.load(std::memory_order_relaxed) + count, std::memory_order_release);
}

std::size_t SampleRing::read(std::uint8_t* out, std::size_t count)
{
    const std::size_t read = read_.load(std::memory_order_relaxed);
    count = std::min(count, filled());
    if (count == 0)
        return 0;
    const std::size_t at = read % buffer_.size();
    const std::size_t first = std::min(count, buffer_.size() - at);
    std::memcpy(out, buffer_.data() + at, first);
    std::memcpy(out + first, buffer_.data(), count - first);
    read_.store(read + count, std::memory_order_release);
    return count;
}

} // namespace audio
