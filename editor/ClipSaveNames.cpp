#include "editor/ClipSaveNames.h"
#include "platform/runtime/FileNameBytes.h"

#include <QFile>
#include <QFileInfo>
#include <filesystem>
#include <system_error>

namespace clipsave {

bool sameFile(const QString& a, const QString& b)
{
    if (a == b)
        return true;
    std::error_code error;
    const std::filesystem::path first(rt::encodeFileName(a).toStdString());
    const std::filesystem::path second(rt::encodeFileName(b).toStdString());
    // A name that does not exist yet cannot be the source.
    return std::filesystem::equivalent(first, second, error) && !error;
}

bool fileExists(const QString& name)
{
    const QFileInfo info(name);
    return info.exists() && !info.isDir();
}

QString followLinks(const QString& name)
{
    // The same bound as the kernel's, so that a loop of links ends.
    constexpr int kMaxLinks = 40;
    QString current = name;
    for (int hop = 0; hop < kMaxLinks; ++hop) {
        const QFileInfo info(current);
        if (!info.isSymLink())
            break;
        current = info.symLinkTarget();
    }
    return current;
}

} // namespace clipsave
