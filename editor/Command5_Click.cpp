#include "editor/Form1.h"

#include "platform/runtime/CheckedMath.h"
#include "platform/runtime/ErrorModes.h"

// Select Start: the device position becomes the start mark.
void Form1::Command5_Click()
{
    rt::runHandler(runtime(), [&] {
        selectionStartMs = movie->getPositionInMS();
        Label7.setText(FormatClock(rt::div32(selectionStartMs, 1000)));
        showSelection();
    });
}
