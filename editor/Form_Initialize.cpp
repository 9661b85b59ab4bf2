#include "editor/Form1.h"

#include <QFont>

// The look every control of the window shares. The design's 8-point sans
// serif is about 11 pixels high; at that size every caption fits its button
// and every time label its 12-pixel height.
void Form1::Form_Initialize()
{
    QFont shared = font();
    shared.setPixelSize(11);
    setFont(shared);
}
