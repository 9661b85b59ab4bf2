#pragma once

#include <QFileIconProvider>
#include <QHash>
#include <QIcon>
#include <QString>
#include <mutex>

// Icons and type names for a file chooser, decided from a file's name and
// kind (folder, file, link, other) alone. The stock provider reads a file's
// first bytes to guess its type, and reading a FIFO, a device or a file such
// as /proc/kmsg can wait forever; listing a folder must never do that.
// Safe to call from the chooser's background thread once constructed.
class NameOnlyIconProvider : public QFileIconProvider {
public:
    NameOnlyIconProvider();

    using QFileIconProvider::icon;
    QIcon icon(const QFileInfo& info) const override;
    QString type(const QFileInfo& info) const override;

private:
    // The type of a file by its name alone, looked up once per name.
    QString typeOfFileNamed(const QString& name) const;

    QIcon folder_;
    QIcon file_;
    QIcon folderLink_;
    QIcon fileLink_;
    mutable std::mutex typesLock_;
    mutable QHash<QString, QString> typesByName_;
};
