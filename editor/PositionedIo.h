#pragma once

#include <cerrno>
#include <cstddef>
#include <sys/types.h>

// What a positioned transfer moved, and the errno of the call that failed
// (0 when none did).
struct PositionedTransfer {
    std::size_t done = 0;
    int error = 0;
};

// Moves `size` bytes at `offset` through `transfer(done, offset)`, a pread
// or pwrite of what is left. A signal or a partial transfer goes on where it
// stopped, as both calls may move less than asked; a call that moves nothing
// ends it early (the end of the file, or a disk that takes no more).
template <typename Transfer>
PositionedTransfer transferAt(off_t offset, std::size_t size, Transfer&& transfer)
{
    PositionedTransfer result;
    while (result.done < size) {
        const ssize_t moved = transfer(result.done, offset + off_t(result.done));
        if (moved < 0 && errno == EINTR)
            continue;
        if (moved < 0) {
            result.error = errno;
            break;
        }
        if (moved == 0)
            break;
        result.done += std::size_t(moved);
    }
    return result;
}
