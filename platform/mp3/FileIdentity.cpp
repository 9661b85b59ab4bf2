#include "platform/mp3/FileIdentity.h"

#include <sys/stat.h>

namespace mp3 {

namespace {

    FileIdentity identityFrom(const struct stat& status)
    {
        const auto ns = [](const timespec& time) {
            return std::int64_t(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
        };
        return FileIdentity { std::uint64_t(status.st_dev), std::uint64_t(status.st_ino),
            std::int64_t(status.st_size), ns(status.st_mtim), ns(status.st_ctim) };
    }

} // namespace

std::optional<FileIdentity> identityOf(const std::filesystem::path& path)
{
    struct stat status { };
    if (::stat(path.c_str(), &status) != 0)
        return std::nullopt;
    return identityFrom(status);
}

std::optional<FileIdentity> identityOf(int fd)
{
    struct stat status { };
    if (::fstat(fd, &status) != 0)
        return std::nullopt;
    return identityFrom(status);
}

} // namespace mp3
