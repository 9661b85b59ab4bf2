#include "editor/Form1.h"

#include "platform/runtime/CheckedMath.h"
#include "platform/runtime/ErrorModes.h"

// Moves the device to the start of the thumb's whole second.
void Form1::H_Click()
{
    rt::runHandler(runtime(), [&] { movie->setPositionTo(rt::mul32(H.value(), 1000)); });
}
