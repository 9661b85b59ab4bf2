#include "editor/ClipSaveSource.h"

#include "platform/runtime/RuntimeError.h"

#include <QFileInfo>

namespace {

constexpr int kInputPastEndOfFile = 62;

} // namespace

ClipSaveSource::ClipSaveSource(const QString& path)
    : file_(path)
{
    // Unbuffered: each block is one seek and one read, with no copy in between.
    if (file_.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return;
    const QFileInfo info(path);
    if (!info.exists())
        rt::raise(rt::err::FileNotFound);
    if (!info.isReadable())
        rt::raise(rt::err::PermissionDenied);
    rt::raise(rt::err::PathFileAccessError);
}

std::int64_t ClipSaveSource::size() const
{
    return file_.size();
}

std::int64_t ClipSaveSource::read(std::int32_t position, std::span<char> buffer)
{
    if (position < 1)
        rt::raise(rt::err::BadRecordNumber);
    if (!file_.seek(position - 1))
        rt::raise(rt::err::DeviceIOError);
    const qint64 count = file_.read(buffer.data(), static_cast<qint64>(buffer.size()));
    if (count < 0)
        rt::raise(rt::err::DeviceIOError);
    return count;
}

void ClipSaveSource::raiseInputPastEndOfFile()
{
    throw rt::RuntimeError(kInputPastEndOfFile, QStringLiteral("Input past end of file"));
}
