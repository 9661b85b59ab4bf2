#pragma once

#include <QString>
#include <QStringList>

namespace rt {

// A shell command line ("program argument") taken apart for starting the
// program directly: the program is the first word (or a double-quoted path),
// everything after it is its one argument. The file browser of the command
// lines the program was written for is the desktop's opener here.
struct ShellCommand {
    QString program;
    QStringList arguments;

    static ShellCommand parse(const QString& commandLine);
};

} // namespace rt
