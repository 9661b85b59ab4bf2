#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>

namespace mp3 {

// What tells one version of a file from another: a file replaced or written
// to since gets another identity. The change time is in it because nobody can
// set it back: a file rewritten with its old size and modification time put
// back still differs there.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t bytes = 0;
    std::int64_t modifiedNs = 0;
    std::int64_t changedNs = 0;

    bool operator==(const FileIdentity&) const = default;
};

// The identity of the file at `path` now; nothing when it cannot be looked at.
std::optional<FileIdentity> identityOf(const std::filesystem::path& path);
// The identity of the file open on `fd`: take it from the descriptor that is
// read, so that it names the very bytes read even when the name is replaced.
std::optional<FileIdentity> identityOf(int fd);

} // namespace mp3
