#include "platform/runtime/ShellCommand.h"

namespace rt {

namespace {

    QString hostProgram(const QString& program)
    {
        if (program.compare(u"explorer.exe", Qt::CaseInsensitive) == 0
            || program.compare(u"explorer", Qt::CaseInsensitive) == 0)
            return QStringLiteral("xdg-open");
        return program;
    }

} // namespace

ShellCommand ShellCommand::parse(const QString& commandLine)
{
    const QString line = commandLine.trimmed();
    qsizetype programEnd = 0;
    QString program;
    if (line.startsWith(u'"')) {
        const qsizetype closing = line.indexOf(u'"', 1);
        programEnd = closing < 0 ? line.size() : closing + 1;
        program = line.mid(1, (closing < 0 ? line.size() : closing) - 1);
    } else {
        programEnd = 0;
        while (programEnd < line.size() && !line[programEnd].isSpace())
            ++programEnd;
        program = line.left(programEnd);
    }

    ShellCommand command;
    command.program = hostProgram(program);
    const QString argument = line.mid(programEnd).trimmed();
    if (!argument.isEmpty())
        command.arguments << argument;
    return command;
}

} // namespace rt
