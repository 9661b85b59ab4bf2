#include "editor/Form1.h"

#include "platform/runtime/ErrorModes.h"

// While the user holds the thumb no tick may pull it back.
void Form1::H_MouseDown(int, int, int, int)
{
    rt::runHandler(runtime(), [&] { T.setEnabled(false); });
}
