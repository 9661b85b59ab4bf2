#pragma once

#include <QString>
#include <memory>

// The folder the file dialogs last used, kept between runs in a settings
// file. The file is read once and only when it is a regular file, and written
// on a thread of its own, so that neither a FIFO nor a device in its place nor
// a slow disk can hold up the window; the window keeps the folder in memory.
// Its end waits a little for the last write.
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

private:
    struct Shared;
    std::shared_ptr<Shared> shared_;
};
