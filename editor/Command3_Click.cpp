#include "editor/Form1.h"

#include "platform/runtime/ErrorModes.h"

// "Website": hands the home page to the desktop's opener, not waiting for it.
void Form1::Command3_Click()
{
    rt::runHandler(runtime(), [&] {
        runtime().Shell(QStringLiteral("explorer.exe ") + kHomePage, rt::vbMinimizedFocus);
    });
}
