#include "editor/ClipSaveSource.h"

#include "editor/PositionedIo.h"
#include "platform/mp3/RegularFile.h"
#include "platform/runtime/FileNameBytes.h"
#include "platform/runtime/RuntimeError.h"

#include <cerrno>
#include <unistd.h>

namespace {

constexpr int kInputPastEndOfFile = 62;

} // namespace

ClipSaveSource::ClipSaveSource(const QString& path)
{
    // A pipe put in the source's place must not hold the save up until someone
    // writes to it: only a regular file is opened and read.
    const mp3::RegularFile opened
        = mp3::openRegularFile(std::filesystem::path(rt::encodeFileName(path).toStdString()));
    switch (opened.failure) {
    case mp3::OpenFailure::None:
        break;
    case mp3::OpenFailure::NotFound:
        rt::raise(rt::err::FileNotFound);
    case mp3::OpenFailure::AccessDenied:
        rt::raise(rt::err::PermissionDenied);
    case mp3::OpenFailure::NotRegularFile:
        throw rt::RuntimeError(rt::err::PathFileAccessError, QStringLiteral("Not a regular file"));
    case mp3::OpenFailure::Unreadable:
        rt::raise(rt::err::PathFileAccessError);
    }
    // Reads are positioned (pread): one system call per block, no seeks.
    if (!file_.open(
            opened.fd, QIODevice::ReadOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        ::close(opened.fd);
        rt::raise(rt::err::PathFileAccessError);
    }
}

std::int64_t ClipSaveSource::size() const
{
    return file_.size();
}

std::int64_t ClipSaveSource::read(std::int64_t position, std::span<char> buffer)
{
    if (position < 1)
        rt::raise(rt::err::BadRecordNumber);
    const auto read
        = transferAt(off_t { position - 1 }, buffer.size(), [&](std::size_t done, off_t at) {
              return ::pread(file_.handle(), buffer.data() + done, buffer.size() - done, at);
          });
    if (read.error != 0)
        rt::raise(rt::err::DeviceIOError);
    return std::int64_t(read.done);
}

void ClipSaveSource::raiseInputPastEndOfFile()
{
    throw rt::RuntimeError(kInputPastEndOfFile, QStringLiteral("Input past end of file"));
}
