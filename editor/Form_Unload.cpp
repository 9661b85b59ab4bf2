#include "editor/Form1.h"

#include "platform/runtime/ErrorModes.h"

// Closing closes every device the program opened and ends the program at
// once; every wait loop of another handler stops for good. Closing cannot be
// refused, and the program ends even if closing the devices fails.
void Form1::Form_Unload(std::int16_t& Cancel)
{
    (void)Cancel;
    rt::runHandler(runtime(), [&] { movie->closeMovie(); });
    runtime().End();
}
