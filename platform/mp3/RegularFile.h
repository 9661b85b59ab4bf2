#pragma once

#include <cstdint>
#include <filesystem>

namespace mp3 {

// Why a file could not be opened.
enum class OpenFailure { None, NotFound, AccessDenied, NotRegularFile, Unreadable };

// A regular file opened for reading, or why it could not be. Opening a FIFO
// waits for a writer and opening a device may wait on the hardware, so the
// kind is looked at before the open, and the open itself cannot wait in case
// the name is replaced in between. The caller owns `fd`.
struct RegularFile {
    int fd = -1;
    std::int64_t size = 0;
    OpenFailure failure = OpenFailure::None;
};
RegularFile openRegularFile(const std::filesystem::path& path);

// A descriptor of an open file, closed with its last owner: what keeps a file
// that was opened readable as that very file for as long as it is used,
// whatever its name comes to name.
class OpenDescriptor {
public:
    // Takes a duplicate of `fd`; fd() is -1 when none could be taken.
    explicit OpenDescriptor(int fd);
    ~OpenDescriptor();
    OpenDescriptor(const OpenDescriptor&) = delete;
    OpenDescriptor& operator=(const OpenDescriptor&) = delete;

    int fd() const { return fd_; }

private:
    int fd_ = -1;
};

} // namespace mp3
