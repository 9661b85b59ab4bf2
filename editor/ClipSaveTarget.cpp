#include "editor/ClipSaveTarget.h"

#include "editor/ClipSaveNames.h"
#include "editor/OffWindowThread.h"
#include "editor/PositionedIo.h"
#include "platform/runtime/RuntimeError.h"

#include <QFileInfo>
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

ClipSaveTarget::ClipSaveTarget(const QString& chosenName)
    : file_(clipsave::followLinks(chosenName))
{
    // The bytes go to a new temporary file, but a pipe or a device under the
    // chosen name would be replaced by the clip on commit: refuse it now.
    // Looking at it (stat) never waits on it, unlike opening it. A folder
    // fails below, as the temporary file cannot take its name.
    struct stat info { };
    if (::stat(QFile::encodeName(file_.fileName()).constData(), &info) == 0
        && !S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode))
        throw rt::RuntimeError(rt::err::PathFileAccessError, QStringLiteral("Not a regular file"));
    // Unbuffered: each block is one positioned write (pwrite) and a failing
    // write is reported by the block that caused it.
    if (file_.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return;
    const QFileInfo target(file_.fileName());
    const QFileInfo folder(target.absolutePath());
    if (folder.isDir() && (!folder.isWritable() || (target.exists() && !target.isWritable())))
        rt::raise(rt::err::PermissionDenied);
    rt::raise(rt::err::PathFileAccessError);
}

void ClipSaveTarget::write(std::int64_t position, std::span<const char> bytes)
{
    if (position < 1)
        rt::raise(rt::err::BadRecordNumber);
    const auto written
        = transferAt(off_t { position - 1 }, bytes.size(), [&](std::size_t done, off_t at) {
              return ::pwrite(file_.handle(), bytes.data() + done, bytes.size() - done, at);
          });
    if (written.done == bytes.size())
        return;
    // A short write means the disk or the file size limit took no more.
    const int error = written.error;
    if (error == 0 || written.done > 0 || error == ENOSPC || error == EFBIG || error == EDQUOT)
        rt::raise(rt::err::DiskFull);
    rt::raise(rt::err::DeviceIOError);
}

void ClipSaveTarget::commit(const std::function<void()>& whileWaiting)
{
    // Nothing else touches the file while the worker has it.
    const bool committed = whileWaiting
        ? runOffWindowThread([this] { return file_.commit(); }, whileWaiting)
        : file_.commit();
    if (committed)
        return;
    if (file_.error() == QFileDevice::RenameError)
        rt::raise(rt::err::PathFileAccessError);
    raiseWriteError();
}

void ClipSaveTarget::raiseWriteError() const
{
    rt::raise(
        file_.error() == QFileDevice::ResourceError ? rt::err::DiskFull : rt::err::DeviceIOError);
}
