#include "platform/controls/NameOnlyIconProvider.h"

#include <QApplication>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QStyle>

NameOnlyIconProvider::NameOnlyIconProvider()
    : folder_(QFileIconProvider::icon(Folder))
    , file_(QFileIconProvider::icon(File))
    , folderLink_(QApplication::style()->standardIcon(QStyle::SP_DirLinkIcon))
    , fileLink_(QApplication::style()->standardIcon(QStyle::SP_FileLinkIcon))
{
    // The chooser asks from its own thread; the style is only safe to use
    // here, so every icon is made up front.
}

QIcon NameOnlyIconProvider::icon(const QFileInfo& info) const
{
    if (info.isSymLink())
        return info.isDir() ? folderLink_ : fileLink_;
    return info.isDir() ? folder_ : file_;
}

QString NameOnlyIconProvider::type(const QFileInfo& info) const
{
    if (info.isDir())
        return QApplication::translate("NameOnlyIconProvider", "Folder");
    if (!info.isFile())
        return QApplication::translate("NameOnlyIconProvider", "Special file");
    return typeOfFileNamed(info.fileName());
}

QString NameOnlyIconProvider::typeOfFileNamed(const QString& name) const
{
    // The chooser asks on the window thread for every file of a folder each
    // time it lists the folder, and a lookup among the known types costs tens
    // of microseconds: a big folder listed again held the window for
    // milliseconds. The chooser's own thread asks too.
    constexpr qsizetype kMostNamesKept = 20'000;
    const std::lock_guard lock(typesLock_);
    if (const auto known = typesByName_.constFind(name); known != typesByName_.cend())
        return *known;
    // Matching by name never opens the file.
    const QList<QMimeType> byName = QMimeDatabase().mimeTypesForFileName(name);
    const QString type = !byName.isEmpty() && !byName.first().comment().isEmpty()
        ? byName.first().comment()
        : QApplication::translate("NameOnlyIconProvider", "File");
    if (typesByName_.size() >= kMostNamesKept)
        typesByName_.clear();
    typesByName_.insert(name, type);
    return type;
}
