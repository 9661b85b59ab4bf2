#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace audio {

// A bounded ring of bytes between exactly one writer thread and exactly one
// reader thread, without locks: the reader may be the audio callback, which
// must never wait.
class SampleRing {
public:
    explicit SampleRing(std::size_t capacity);

    std::size_t capacity() const { return buffer_.size(); }

    // Writer side, in place: writable() gives the free bytes that follow one
    // another in memory from the write position on (fewer than freeSpace()
    // where the ring wraps), and publish() hands over the first `count` of
    // them to the reader.
    std::size_t freeSpace() const;
    std::span<std::uint8_t> writable();
    void publish(std::size_t count);

    // Reader side: copies up to `count` bytes out; returns the count copied.
    std::size_t read(std::uint8_t* out, std::size_t count);
    std::size_t filled() const;

private:
    std::vector<std::uint8_t> buffer_;
    // Running totals of bytes written and read; the writer alone stores
    // written_, the reader alone stores read_, each loads the other's.
    std::atomic<std::size_t> written_ { 0 };
    std::atomic<std::size_t> read_ { 0 };
};

} // namespace audio
