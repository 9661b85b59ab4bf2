#include "editor/ClipSaveTarget.h"

#include "editor/ClipSaveNames.h"
#include "platform/runtime/RuntimeError.h"

#include <QFileInfo>

ClipSaveTarget::ClipSaveTarget(const QString& chosenName)
    : file_(clipsave::followLinks(chosenName))
{
    // Unbuffered: each block is one seek and one write, and a failing write
    // is reported by the block that caused it.
    if (file_.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return;
    const QFileInfo target(file_.fileName());
    const QFileInfo folder(target.absolutePath());
    if (folder.isDir() && (!folder.isWritable() || (target.exists() && !target.isWritable())))
        rt::raise(rt::err::PermissionDenied);
    rt::raise(rt::err::PathFileAccessError);
}

void ClipSaveTarget::write(std::int32_t position, std::span<const char> bytes)
{
    if (position < 1)
        rt::raise(rt::err::BadRecordNumber);
    if (!file_.seek(position - 1))
        raiseWriteError();
    const auto size = static_cast<qint64>(bytes.size());
    const qint64 written = file_.write(bytes.data(), size);
    if (written == size)
        return;
    // A short write means the disk or the file size limit took no more.
    if (written >= 0)
        rt::raise(rt::err::DiskFull);
    raiseWriteError();
}

void ClipSaveTarget::commit()
{
    if (file_.commit())
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
