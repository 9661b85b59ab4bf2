#pragma once

#include "platform/mp3/RegularFile.h"

#include <cstdint>
#include <filesystem>
#include <vector>

namespace mp3 {

// An open file read through a map of the whole of it, so that a walk over a
// long file reads only the few bytes of each frame it looks at, with no copy
// of the rest through a buffer; where it cannot be mapped, through a sliding
// window that holds one stretch of it in memory. A file cut short while mapped reads as zeros past
// its new end (which no frame header starts with) instead of ending the
// program, and truncated() tells that it happened.
class FileReader {
public:
    // Opens `path` for reading (see openRegularFile); check isOpen().
    explicit FileReader(const std::filesystem::path& path, std::size_t windowBytes = 1 << 20);
    // Reads the file already open on `fd` through a duplicate of it, so the
    // bytes read are those of that very file whatever its name now names.
    explicit FileReader(int fd, std::size_t windowBytes = 1 << 20);
    ~FileReader();
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;

    bool isOpen() const { return fd_ >= 0; }
    OpenFailure failure() const { return failure_; }
    std::int64_t size() const { return size_; }
    // The descriptor read, owned by the reader; -1 when it is not open.
    int fd() const { return fd_; }
    // The file was found shorter than it was when opened.
    bool truncated() const;

    // `count` bytes at `offset`, valid until the next call; null when they run
    // past the end of the file or cannot be read.
    const std::uint8_t* bytesAt(std::int64_t offset, std::size_t count)
    {
        // Inline, as a walk asks for a few bytes of every frame.
        if (map_ && offset >= 0 && offset + std::int64_t(count) <= size_) {
            releaseBehind(offset);
            return map_ + offset;
        }
        return bytesAtUnmapped(offset, count);
    }
    // Copies up to `count` bytes at `offset` into `out`; returns the count
    // copied, fewer only at the end of the file or on a read error.
    std::size_t read(std::int64_t offset, std::uint8_t* out, std::size_t count);
    // Says that the bytes from `offset` on are read next, in order: a walk
    // that steps from header to header cannot know where the next one lies
    // before it has read this one, so without this every header waits for
    // memory in turn. Cheap to call for every frame: the work is done once a
    // stretch.
    void readingAt(std::int64_t offset)
    {
        if (offset >= readingDue_ || offset < readingFrom_)
            readAhead(offset);
    }
    // Offset of the first byte `value` in [from, end), or `end` (at most the
    // file's size) when there is none or the file cannot be read that far.
    std::int64_t find(std::uint8_t value, std::int64_t from, std::int64_t end);

    // How far behind the reading the pages it read stay in the map, so that a
    // walk over a long file, or playing it, holds a few hundred KiB of it
    // resident rather than all it has read; the page cache keeps them either
    // way. Letting pages go stops every other thread of the program that runs
    // at that moment to drop its cached address translations: threads that
    // read at once let go of more at a time, and less often.
    static constexpr std::int64_t kResidentBehind = 256 << 10;
    std::int64_t residentBehind() const { return residentBehind_; }
    void keepResidentBehind(std::int64_t bytes) { residentBehind_ = bytes; }

private:
    int fd_ = -1;
    OpenFailure failure_ = OpenFailure::None;
    std::int64_t size_ = 0;
    // The whole file, when it could be mapped; then the window stays empty.
    const std::uint8_t* map_ = nullptr;
    int guardSlot_ = -1;
    // Bytes up to here have been asked for ahead of need.
    std::int64_t readAhead_ = 0;
    std::int64_t mappedAhead_ = 0;
    // readingAt has nothing to do for offsets in [readingFrom_, readingDue_).
    std::int64_t readingFrom_ = 0;
    std::int64_t readingDue_ = 0;
    // Pages of the map before here have been let go.
    std::int64_t releasedUpTo_ = 0;
    std::vector<std::uint8_t> window_;
    std::size_t windowBytes_ = 0;
    std::int64_t windowStart_ = 0;
    std::size_t windowFill_ = 0;

    void mapWhole();
    const std::uint8_t* bytesAtUnmapped(std::int64_t offset, std::size_t count);
    void readAhead(std::int64_t offset);
    std::int64_t residentBehind_ = kResidentBehind;
    // Lets go of the pages of the map far behind `offset`.
    void releaseBehind(std::int64_t offset)
    {
        if (offset - releasedUpTo_ >= 2 * residentBehind_ || offset < releasedUpTo_)
            releaseUpTo(offset - residentBehind_);
    }
    void releaseUpTo(std::int64_t offset);
    // Fills the window with the bytes from `offset` on.
    void load(std::int64_t offset);
    bool windowHolds(std::int64_t offset) const
    {
        return offset >= windowStart_ && offset < windowStart_ + std::int64_t(windowFill_);
    }
};

} // namespace mp3
