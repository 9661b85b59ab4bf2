#include "editor/Form1.h"
#include "platform/runtime/Runtime.h"

#include <QApplication>
#include <QIcon>

namespace {

// The four images drawn at build time, compiled in as resources.
QIcon programIcon()
{
    QIcon icon;
    for (int size : { 16, 24, 32, 48 })
        icon.addFile(QStringLiteral(":/icons/trimora-%1.png").arg(size), QSize(size, size));
    return icon;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Trimora"));
    QApplication::setDesktopFileName(QStringLiteral("trimora"));
    const QIcon icon = programIcon();
    QApplication::setWindowIcon(icon);

    rt::Runtime runtime;
    Form1 window({ runtime, {}, {} });
    window.setWindowIcon(icon);
    window.show();
    return application.exec();
}
