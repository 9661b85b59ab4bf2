#include "editor/Form1.h"

#include "platform/runtime/ErrorModes.h"

// The information page loads in the background; nothing waits for it.
void Form1::Form_Load()
{
    rt::runHandler(runtime(), [&] { WebBrowser1.Navigate(kInfoPage); });
}
