#pragma once

#include <QString>
#include <QStringList>

namespace rt {

// A shell command line ("program argument") taken apart for starting the
// program directly: the program is the first word (or a double-quoted path),
// everything after it is its one argument. "explorer.exe", the file browser
// that such command lines name, becomes the desktop's opener (xdg-open).
struct ShellCommand {
    QString program;
    QStringList arguments;

    static ShellCommand parse(const QString& commandLine);
};

} // namespace rt
