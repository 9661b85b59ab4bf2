#include "editor/Form1.h"

#include "platform/runtime/ErrorModes.h"

// Stop: stops the device and, after letting the device settle, moves it back
// to the beginning. Marks and slider range stay as they are.
void Form1::Command2_Click()
{
    rt::runHandler(runtime(), [&] {
        movie->stopMovie();
        Command1.setText(QStringLiteral("Play"));
        T.setEnabled(false);
        movie->timeOut(1);
        H.setValue(0);
        movie->setPositionTo(H.value());
        Label4.setText(QStringLiteral("0 : 0 : 0"));
    });
}
