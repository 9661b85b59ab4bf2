#include "editor/Form1.h"

#include "platform/runtime/ErrorModes.h"

// The ticks come back after a drag only if the device is still playing; a
// paused device keeps the timer off.
void Form1::H_MouseUp(int, int, int, int)
{
    rt::runHandler(runtime(), [&] {
        if (movie->isMoviePlaying() == -1)
            T.setEnabled(true);
    });
}
