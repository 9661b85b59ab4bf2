#include "platform/mp3/RegularFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mp3 {

namespace {

    OpenFailure failureOf(int error)
    {
        switch (error) {
        case ENOENT:
        case ENOTDIR:
            return OpenFailure::NotFound;
        case EACCES:
        case EPERM:
            return OpenFailure::AccessDenied;
        case ENXIO: // a socket, or a device with nothing behind it
        case ENODEV:
            return OpenFailure::NotRegularFile;
        default:
            return OpenFailure::Unreadable;
        }
    }

} // namespace

RegularFile openRegularFile(const std::filesystem::path& path)
{
    RegularFile file;
    struct stat info { };
    if (path.empty()) {
        file.failure = OpenFailure::NotFound;
        return file;
    }
    if (::stat(path.c_str(), &info) != 0) {
        file.failure = failureOf(errno);
        return file;
    }
    if (!S_ISREG(info.st_mode)) {
        file.failure = OpenFailure::NotRegularFile;
        return file;
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        file.failure = failureOf(errno);
        return file;
    }
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        file.failure = OpenFailure::NotRegularFile;
        return file;
    }
    // Reads of a regular file never wait on a writer; the flag goes only so
    // that nothing downstream sees a short read it does not expect.
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    file.fd = fd;
    file.size = info.st_size;
    return file;
}

OpenDescriptor::OpenDescriptor(int fd)
    : fd_(fd < 0 ? -1 : ::fcntl(fd, F_DUPFD_CLOEXEC, 0))
{
}

OpenDescriptor::~OpenDescriptor()
{
    if (fd_ >= 0)
        ::close(fd_);
}

} // namespace mp3
