#pragma once

#include <QString>
#include <chrono>
#include <memory>

// The folder the file dialogs last used, kept between runs in a settings
// file. The file is read once and only when it is a regular file, and written
// on a thread of its own, so that neither a FIFO nor a device in its place nor
// a slow disk can hold up the window; the window keeps the folder in memory.
class RememberedFolder {
public:
    // The program's one, in the user's settings folder.
    static RememberedFolder& ofProgram();

    explicit RememberedFolder(const QString& settingsFile);
    ~RememberedFolder();
    RememberedFolder(const RememberedFolder&) = delete;
    RememberedFolder& operator=(const RememberedFolder&) = delete;

    // Empty when none was remembered.
    QString folder() const;
    // Returns at once; the file is written meanwhile.
    void remember(const QString& folder);
    // Waits up to `most` for the last folder remembered to be in the file (or
    // given up on, when the file is no regular file); true when it is.
    bool waitUntilWritten(std::chrono::milliseconds most) const;

private:
    struct Shared;
    std::shared_ptr<Shared> shared_;
};
