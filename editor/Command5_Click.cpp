#include "editor/Form1.h"

#include "platform/runtime/CheckedMath.h"
#include "platform/runtime/ErrorModes.h"

// Select Start: the device position becomes the start mark. The length label
// shows whole seconds of end minus whole seconds of start, so it agrees with
// the two mark labels the user sees.
void Form1::Command5_Click()
{
    rt::runHandler(runtime(), [&] {
        selectionStartMs = movie->getPositionInMS();
        Label7.setText(FormatClock(rt::div32(selectionStartMs, 1000)));
        if (selectionStartMs < selectionEndMs)
            Label3.setText(FormatClock(
                rt::sub32(rt::div32(selectionEndMs, 1000), rt::div32(selectionStartMs, 1000))));
        else
            Label3.setText(QStringLiteral("0 : 0 : 0"));
        H.setMarks(selectionStartMs, selectionEndMs);
    });
}
