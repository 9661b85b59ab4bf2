#include "editor/ClipSaveSource.h"

#include "platform/runtime/RuntimeError.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kInputPastEndOfFile = 62;

} // namespace

ClipSaveSource::ClipSaveSource(const QString& path)
{
    // Opened without waiting, so that a pipe put in the source's place cannot
    // hold the save up until someone writes to it; only a regular file is read.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            rt::raise(rt::err::FileNotFound);
        if (errno == EACCES || errno == EPERM)
            rt::raise(rt::err::PermissionDenied);
        rt::raise(rt::err::PathFileAccessError);
    }
    struct stat info { };
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        throw rt::RuntimeError(rt::err::PathFileAccessError, QStringLiteral("Not a regular file"));
    }
    // Reads are positioned (pread): one system call per block, no seeks.
    if (!file_.open(
            fd, QIODevice::ReadOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        rt::raise(rt::err::PathFileAccessError);
    }
}

std::int64_t ClipSaveSource::size() const
{
    return file_.size();
}

std::int64_t ClipSaveSource::read(std::int32_t position, std::span<char> buffer)
{
    if (position < 1)
        rt::raise(rt::err::BadRecordNumber);
    std::size_t done = 0;
    while (done < buffer.size()) {
        const ssize_t got = ::pread(file_.handle(), buffer.data() + done, buffer.size() - done,
            off_t { position - 1 } + off_t(done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            rt::raise(rt::err::DeviceIOError);
        if (got == 0)
            break;
        done += std::size_t(got);
    }
    return std::int64_t(done);
}

void ClipSaveSource::raiseInputPastEndOfFile()
{
    throw rt::RuntimeError(kInputPastEndOfFile, QStringLiteral("Input past end of file"));
}
