#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

namespace mp3 {

// An open file read through a sliding window, so that a walk over a long file
// holds one window of it in memory, never the whole file.
class FileReader {
public:
    // Why a file could not be opened.
    enum class Failure { None, NotFound, AccessDenied, NotRegularFile, Unreadable };

    // Opens `path` for reading; check isOpen(). Only a regular file opens: a
    // FIFO, a device or a folder is refused without waiting on it.
    explicit FileReader(const std::filesystem::path& path, std::size_t windowBytes = 1 << 20);
    ~FileReader();
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;

    bool isOpen() const { return fd_ >= 0; }
    Failure failure() const { return failure_; }
    std::int64_t size() const { return size_; }

    // `count` bytes at `offset`, valid until the next call; null when they run
    // past the end of the file or cannot be read.
    const std::uint8_t* bytesAt(std::int64_t offset, std::size_t count);
    // Copies up to `count` bytes at `offset` into `out`; returns the count
    // copied, fewer only at the end of the file or on a read error.
    std::size_t read(std::int64_t offset, std::uint8_t* out, std::size_t count);
    // Offset of the first byte `value` in [from, end), or `end` (at most the
    // file's size) when there is none or the file cannot be read that far.
    std::int64_t find(std::uint8_t value, std::int64_t from, std::int64_t end);

private:
    int fd_ = -1;
    Failure failure_ = Failure::None;
    std::int64_t size_ = 0;
    std::vector<std::uint8_t> window_;
    std::int64_t windowStart_ = 0;
    std::size_t windowFill_ = 0;

    // Fills the window with the bytes from `offset` on.
    void load(std::int64_t offset);
    bool windowHolds(std::int64_t offset) const
    {
        return offset >= windowStart_ && offset < windowStart_ + std::int64_t(windowFill_);
    }
};

// A regular file opened for reading, or why it could not be. Opening a FIFO
// waits for a writer and opening a device may wait on the hardware, so the
// kind is looked at before the open, and the open itself cannot wait in case
// the name is replaced in between. The caller owns `fd`.
struct RegularFile {
    int fd = -1;
    std::int64_t size = 0;
    FileReader::Failure failure = FileReader::Failure::None;
};
RegularFile openRegularFile(const std::filesystem::path& path);

} // namespace mp3
