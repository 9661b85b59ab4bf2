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
    // Matching by name never opens the file.
    const QList<QMimeType> byName = QMimeDatabase().mimeTypesForFileName(info.fileName());
    if (!byName.isEmpty() && !byName.first().comment().isEmpty())
        return byName.first().comment();
    return QApplication::translate("NameOnlyIconProvider", "File");
}
