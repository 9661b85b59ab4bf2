#include "editor/Form1.h"
#include "platform/runtime/Runtime.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    rt::Runtime runtime;
    Form1 window({runtime, {}, {}});
    window.show();
    return application.exec();
}
