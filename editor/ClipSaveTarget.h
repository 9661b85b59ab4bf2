#pragma once

#include <QSaveFile>
#include <QString>
#include <cstdint>
#include <functional>
#include <span>

// The clip being written. The bytes go to a temporary file beside the chosen
// one, which takes the chosen name only on commit; until then a file of that
// name keeps its old content, and a target that is never committed is removed
// with this object, whatever ended the save.
class ClipSaveTarget {
public:
    // A chosen name that is a symbolic link is written through to the file it
    // leads to, so the link survives. Raises PathFileAccessError ("Not a
    // regular file") when the name already stands for a pipe, a device or a
    // folder, PermissionDenied or PathFileAccessError when the temporary file
    // cannot be made.
    explicit ClipSaveTarget(const QString& chosenName);

    // Writes `bytes` at byte `position`, counting from 1. Raises DiskFull when
    // the disk takes only part of them, DeviceIOError on any other failure.
    void write(std::int64_t position, std::span<const char> bytes);

    // Puts the clip in place under its name once it is safely on the disk.
    // The sync and the rename run on a worker thread, as either may wait long
    // on a busy disk; `whileWaiting` runs every few milliseconds meanwhile.
    // Without it (no window to keep answering) they run right here.
    void commit(const std::function<void()>& whileWaiting = {});

private:
    [[noreturn]] void raiseWriteError() const;

    QSaveFile file_;
};
