#include "editor/Form1.h"

#include "platform/runtime/CheckedMath.h"

// The length is whole seconds of end minus whole seconds of start, so that it
// agrees with the two mark labels the user sees; none while the end is not
// past the start.
void Form1::showSelection()
{
    if (selectionStartMs < selectionEndMs)
        Label3.setText(FormatClock(
            rt::sub32(rt::div32(selectionEndMs, 1000), rt::div32(selectionStartMs, 1000))));
    else
        Label3.setText(QStringLiteral("0 : 0 : 0"));
    H.setMarks(selectionStartMs, selectionEndMs);
}
