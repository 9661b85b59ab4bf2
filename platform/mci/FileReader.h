#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

namespace mci {

// An open file read through a sliding window, so that a walk over a long file
// holds one window of it in memory, never the whole file.
class FileReader {
public:
    // Opens `path` for reading; check isOpen().
    explicit FileReader(const std::filesystem::path& path, std::size_t windowBytes = 1 << 20);
    ~FileReader();
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;

    bool isOpen() const { return fd_ >= 0; }
    std::int64_t size() const { return size_; }

    // `count` bytes at `offset`, valid until the next call; null when they run
    // past the end of the file or cannot be read.
    const std::uint8_t* bytesAt(std::int64_t offset, std::size_t count);
    // Copies up to `count` bytes at `offset` into `out`; returns the count
    // copied, fewer only at the end of the file or on a read error.
    std::size_t read(std::int64_t offset, std::uint8_t* out, std::size_t count);

private:
    int fd_ = -1;
    std::int64_t size_ = 0;
    std::vector<std::uint8_t> window_;
    std::int64_t windowStart_ = 0;
    std::size_t windowFill_ = 0;

    // Fills the window with the bytes from `offset` on.
    void load(std::int64_t offset);
};

} // namespace mci
