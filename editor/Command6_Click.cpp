#include "editor/Form1.h"

#include "platform/runtime/CheckedMath.h"
#include "platform/runtime/ErrorModes.h"

// Select End: the twin of Select Start for the end mark.
void Form1::Command6_Click()
{
    rt::runHandler(runtime(), [&] {
        selectionEndMs = movie->getPositionInMS();
        Label9.setText(FormatClock(rt::div32(selectionEndMs, 1000)));
        showSelection();
    });
}
