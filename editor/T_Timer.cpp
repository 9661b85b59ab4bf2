#include "editor/Form1.h"

#include "platform/runtime/ErrorModes.h"

// Each tick moves the slider and the position label along with playback and
// rewinds once the position reaches the end of the file.
void Form1::T_Timer()
{
    rt::runHandler(runtime(), [&] {
        rt::resumeNext([&] { H.setValue(movie->getPositionInSec()); });
        rt::resumeNext([&] { Label4.setText(FormatClock(H.value())); });
        if (H.value() == H.maximum()) {
            rt::resumeNext([&] { H.setValue(0); });
            rt::resumeNext([&] { Command1.setText(QStringLiteral("Play")); });
            rt::resumeNext([&] { movie->setPositionTo(0); });
        }
    });
}
