#include "platform/controls/RememberedFolder.h"

#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <sys/stat.h>
#include <thread>

namespace {

constexpr char kLastFolderKey[] = "dialogs/lastFolder";

// A settings file may be read or written only when it is a regular file or
// not there yet: opening a FIFO waits for a writer, and a device may never end.
bool safeToUse(const QString& file)
{
    struct stat status { };
    if (::stat(QFile::encodeName(file).constData(), &status) != 0)
        return errno == ENOENT;
    return S_ISREG(status.st_mode);
}

} // namespace

// What the window and the writing thread share; the thread holds it too, so
// that it outlives an owner that goes while a write is under way.
struct RememberedFolder::Shared {
    QString file;
    std::mutex mutex;
    std::condition_variable changed;
    QString folder;
    std::optional<QString> unwritten;
    bool writing = false;
    bool ending = false;
    bool writerStarted = false;

    // Writes each folder remembered, the latest only when several wait.
    static void write(const std::shared_ptr<Shared>& self)
    {
        std::unique_lock lock(self->mutex);
        for (;;) {
            self->changed.wait(lock, [&] { return self->unwritten || self->ending; });
            if (!self->unwritten)
                return;
            const QString folder = *std::exchange(self->unwritten, std::nullopt);
            self->writing = true;
            lock.unlock();
            if (safeToUse(self->file)) {
                QSettings settings(self->file, QSettings::IniFormat);
                settings.setValue(kLastFolderKey, folder);
            }
            lock.lock();
            self->writing = false;
            self->changed.notify_all();
        }
    }
};

RememberedFolder& RememberedFolder::ofProgram()
{
    static RememberedFolder folder(
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/Trimora/Trimora.conf"));
    return folder;
}

RememberedFolder::RememberedFolder(const QString& settingsFile)
    : shared_(std::make_shared<Shared>())
{
    shared_->file = settingsFile;
    if (safeToUse(settingsFile))
        shared_->folder
            = QSettings(settingsFile, QSettings::IniFormat).value(kLastFolderKey).toString();
}

RememberedFolder::~RememberedFolder()
{
    // The last folder chosen is written before the program ends: a writer
    // still at work when the process exits would lose it, and would use the
    // settings machinery as it is torn down. Only a disk that hangs is left
    // to finish on its own.
    constexpr auto kLongestWaitAtEnd = std::chrono::seconds(5);
    std::unique_lock lock(shared_->mutex);
    shared_->changed.wait_for(
        lock, kLongestWaitAtEnd, [&] { return !shared_->unwritten && !shared_->writing; });
    shared_->ending = true;
    shared_->changed.notify_all();
}

QString RememberedFolder::folder() const
{
    std::lock_guard lock(shared_->mutex);
    return shared_->folder;
}

void RememberedFolder::remember(const QString& folder)
{
    std::lock_guard lock(shared_->mutex);
    if (folder == shared_->folder && !shared_->unwritten)
        return;
    shared_->folder = folder;
    shared_->unwritten = folder;
    if (!shared_->writerStarted) {
        std::thread([shared = shared_] { Shared::write(shared); }).detach();
        shared_->writerStarted = true;
    }
    shared_->changed.notify_all();
}
