#pragma once

#include <QFile>
#include <QString>
#include <cstdint>
#include <span>

// The file a clip is cut from, opened for reading only: saving must never
// create or change it.
class ClipSaveSource {
public:
    // Raises FileNotFound, PermissionDenied or PathFileAccessError when the
    // file cannot be opened, and PathFileAccessError ("Not a regular file")
    // for a pipe, a device or a folder, without waiting on it.
    explicit ClipSaveSource(const QString& path);

    // Length of the open file in bytes.
    std::int64_t size() const;
    // The open file's descriptor, for finding its frames by its identity.
    int descriptor() const { return file_.handle(); }

    // Reads into `buffer` from byte `position` on, counting from 1. Returns the
    // number of bytes read: fewer than asked, or none, at the end of the file.
    // A position below 1 raises BadRecordNumber, a failed read DeviceIOError.
    std::int64_t read(std::int64_t position, std::span<char> buffer);

    // A clip whose first byte lies past the end of its source has no bytes,
    // and one whose source ends before the bytes it held when the save began
    // would be short.
    [[noreturn]] static void raiseInputPastEndOfFile();

private:
    QFile file_;
};
